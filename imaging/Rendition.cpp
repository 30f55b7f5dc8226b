// LBitmapBase: window/level tables, the cached rendition and the painting rectangles.
#include "imaging/BitmapInternal.h"

#include <algorithm>

using imaging::PackRgb;

namespace {

BYTE Ramp(int from, int to, std::int64_t step, std::int64_t steps)
{
    return BYTE(from + (to - from) * step / steps);
}

// Colour, or grey through the table, one pixel after another.
void RenderPixelwise(const LBitmapBase::Impl& impl, std::vector<DWORD>& out)
{
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = impl.RenderPixel(i);
}

// Without a window: 8-bit unsigned data as its values, anything else scaled over its
// value range.
void RenderGrey(const LBitmapBase::Impl& impl, std::vector<DWORD>& out)
{
    std::int64_t low = 0, high = 255;
    if (impl.bitsPerPixel != 8 || impl.isSigned) {
        low = INT64_MAX;
        high = INT64_MIN;
        for (size_t i = 0; i < out.size(); ++i) {
            const std::int64_t v = impl.Sample(i);
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
    const std::int64_t range = std::max<std::int64_t>(high - low, 1);
    for (size_t i = 0; i < out.size(); ++i) {
        const BYTE value = BYTE((impl.Sample(i) - low) * 255 / range);
        const BYTE grey = impl.invertedGrey ? BYTE(255 - value) : value;
        out[i] = PackRgb(grey, grey, grey);
    }
}

}  // namespace

DWORD LBitmapBase::Impl::RenderPixel(size_t index) const
{
    if (bitsPerPixel == 24) {
        const BYTE* p = pixels.data() + index * 3;
        return order == ORDER_RGB ? PackRgb(p[0], p[1], p[2]) : PackRgb(p[2], p[1], p[0]);
    }
    const RGBQUAD& q = lut[LutIndex(Sample(index), lut.size())];
    return PackRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
}

int LBitmapBase::WindowLevelFillLUT(RGBQUAD* table, ULONG count, COLORREF start, COLORREF end, int low, int high,
                                    int /*lowBit*/, int /*highBit*/, int /*minValue*/, int /*maxValue*/,
                                    UINT /*flags*/)
{
    if (!table || count == 0)
        return ERROR_INV_PARAMETER;
    const RGBQUAD first{GetBValue(start), GetGValue(start), GetRValue(start), 0};
    const RGBQUAD last{GetBValue(end), GetGValue(end), GetRValue(end), 0};
    const std::int64_t steps = std::int64_t(high) - low;
    for (ULONG i = 0; i < count; ++i) {
        const std::int64_t index = i;
        if (index <= low) {
            table[i] = first;
        } else if (index >= high) {
            table[i] = last;
        } else {
            const std::int64_t step = index - low;
            table[i] = RGBQUAD{Ramp(first.rgbBlue, last.rgbBlue, step, steps),
                               Ramp(first.rgbGreen, last.rgbGreen, step, steps),
                               Ramp(first.rgbRed, last.rgbRed, step, steps), 0};
        }
    }
    return SUCCESS;
}

int LBitmapBase::WindowLevel(int lowBit, int highBit, const RGBQUAD* table, ULONG count, UINT /*flags*/)
{
    Impl& impl = *m_impl;
    if (impl.pixels.empty())
        return impl.Fail(ERROR_NO_BITMAP, "the bitmap holds no pixels");
    if (!table || count == 0)
        return impl.Fail(ERROR_INV_PARAMETER, "no table was given");
    if (impl.bitsPerPixel == 24)
        return impl.Fail(ERROR_FEATURE_NOT_SUPPORTED, "colour bitmaps are not windowed");
    impl.lut.assign(table, table + count);
    impl.lowBit = lowBit;
    impl.highBit = highBit;
    impl.hasWindow = true;
    impl.Invalidate();
    return SUCCESS;
}

BOOL LBitmapBase::HasWindow() const { return m_impl->hasWindow ? TRUE : FALSE; }

void LBitmapBase::SetInvertedGrey(BOOL inverted)
{
    m_impl->invertedGrey = inverted != FALSE;
    m_impl->Invalidate();
}

BOOL LBitmapBase::IsInvertedGrey() const { return m_impl->invertedGrey ? TRUE : FALSE; }

const std::vector<DWORD>& LBitmapBase::GetRendition() const
{
    const Impl& impl = *m_impl;
    if (impl.renditionValid)
        return impl.rendition;
    impl.rendition.assign(size_t(impl.width) * size_t(impl.height), 0);
    if (!impl.pixels.empty()) {
        if (impl.RendersPixelwise())
            RenderPixelwise(impl, impl.rendition);
        else
            RenderGrey(impl, impl.rendition);
    }
    impl.renditionValid = true;
    return impl.rendition;
}

void LBitmapBase::SetSrcRect(const RECT& rc) { m_impl->src = rc; }
void LBitmapBase::SetClipSrcRect(const RECT& rc) { m_impl->clipSrc = rc; }
void LBitmapBase::SetDstRect(const RECT& rc) { m_impl->dst = rc; }
void LBitmapBase::SetClipDstRect(const RECT& rc) { m_impl->clipDst = rc; }
RECT LBitmapBase::GetSrcRect() const { return m_impl->src; }
RECT LBitmapBase::GetDstRect() const { return m_impl->dst; }
RECT LBitmapBase::GetClipDstRect() const { return m_impl->clipDst; }
HPALETTE LBitmapBase::CreatePaintPalette(HDC /*hdc*/) { return nullptr; }
