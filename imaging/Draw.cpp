// LDraw: paints a bitmap's rendition onto a device context of the platform layer.
//
// A bitmap shown smaller than its natural size keeps the picture stretched to the
// destination size (LBitmapBase::Impl::stretched): repainting it unchanged copies
// destination pixels only, and a change of pixels, window or size rebuilds it once,
// sampling only the source pixels it shows. A bitmap shown at its natural size or
// enlarged is painted from its rendition, which is then no larger than the picture.
#include "imaging/BitmapInternal.h"

#include "platform/DC.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

using Impl = LBitmapBase::Impl;

// Nearest source index for each destination index (the source pixel under the centre of
// the destination pixel), the mapping the device context's stretch uses.
std::vector<size_t> NearestIndices(int first, int dstCount, int srcCount)
{
    std::vector<size_t> map(static_cast<size_t>(dstCount));
    for (int i = 0; i < dstCount; ++i)
        map[size_t(i)] = size_t(first + (2 * std::int64_t(i) + 1) * srcCount / (2 * std::int64_t(dstCount)));
    return map;
}

// The window's table as 0x00RRGGBB pixels, so that a grey sample renders with one look-up.
std::vector<DWORD> RgbTable(const Impl& impl)
{
    std::vector<DWORD> table(impl.lut.size());
    for (size_t i = 0; i < table.size(); ++i) {
        const RGBQUAD& q = impl.lut[i];
        table[i] = imaging::PackRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
    return table;
}

// One destination row of windowed grey samples of type T (RenderPixel's result, with the
// table looked up directly).
template <typename T>
void RenderGreyRow(const Impl& impl, const std::vector<DWORD>& table, const BYTE* row,
                   const std::vector<size_t>& columns, DWORD* out)
{
    using Signed = std::make_signed_t<T>;
    for (const size_t column : columns) {
        T value;
        std::memcpy(&value, row + column * sizeof(T), sizeof(T));
        const std::int64_t sample = impl.isSigned ? std::int64_t(Signed(value)) : std::int64_t(value);
        *out++ = table[impl.LutIndex(sample, table.size())];
    }
}

// Windowed grey rendered for the shown pixels only, row by row.
void StretchWindowedGrey(const Impl& impl, const std::vector<size_t>& rows, const std::vector<size_t>& columns,
                         DWORD* out)
{
    const std::vector<DWORD> table = RgbTable(impl);
    const size_t rowBytes = impl.RowBytes();
    for (const size_t y : rows) {
        const BYTE* row = impl.pixels.data() + y * rowBytes;
        switch (impl.bitsPerPixel) {
        case 8:
            RenderGreyRow<std::uint8_t>(impl, table, row, columns, out);
            break;
        case 16:
            RenderGreyRow<std::uint16_t>(impl, table, row, columns, out);
            break;
        default:
            RenderGreyRow<std::uint32_t>(impl, table, row, columns, out);
            break;
        }
        out += columns.size();
    }
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

const std::vector<DWORD>& StretchedPicture(const LBitmapBase& bitmap, const Impl& impl, const RECT& src, int width,
                                           int height)
{
    if (impl.stretchedValid && impl.stretchedWidth == width && impl.stretchedHeight == height &&
        SameRect(impl.stretchedSrc, src))
        return impl.stretched;
    const std::vector<size_t> columns = NearestIndices(src.left, width, src.right - src.left);
    const std::vector<size_t> rows = NearestIndices(src.top, height, src.bottom - src.top);
    // Without a valid rendition, colour and windowed grey are rendered just for the pixels
    // shown; unwindowed grey needs the whole rendition (its value range) anyway.
    const bool pixelwise = !impl.renditionValid && impl.RendersPixelwise();
    const std::vector<DWORD>* rendition = pixelwise ? nullptr : &bitmap.GetRendition();
    impl.stretched.resize(size_t(width) * size_t(height));
    DWORD* out = impl.stretched.data();
    if (pixelwise && impl.IsGrey() && !impl.lut.empty()) {
        StretchWindowedGrey(impl, rows, columns, out);
    } else {
        for (int y = 0; y < height; ++y) {
            const size_t rowStart = rows[size_t(y)] * size_t(impl.width);
            for (int x = 0; x < width; ++x) {
                const size_t index = rowStart + columns[size_t(x)];
                *out++ = pixelwise ? impl.RenderPixel(index) : (*rendition)[index];
            }
        }
    }
    impl.stretchedSrc = src;
    impl.stretchedWidth = width;
    impl.stretchedHeight = height;
    impl.stretchedValid = true;
    return impl.stretched;
}

int PaintPicture(CDC* dc, const RECT& clip, const DWORD* bits, int bitsWidth, int bitsHeight, const RECT& dst,
                 const RECT& src, DWORD rop)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bitsWidth;
    info.bmiHeader.biHeight = -bitsHeight;  // rows top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;

    const int saved = dc->SaveDC();
    dc->IntersectClipRect(&clip);
    const int rows = dc->StretchDIBits(dst.left, dst.top, dst.right - dst.left, dst.bottom - dst.top, src.left,
                                       src.top, src.right - src.left, src.bottom - src.top, bits, &info,
                                       DIB_RGB_COLORS, rop);
    dc->RestoreDC(saved);
    return rows > 0 ? SUCCESS : FAILURE;
}

}  // namespace

int LDraw::Paint(DWORD rop)
{
    CDC* dc = m_hdc ? CDC::FromHandle(m_hdc) : nullptr;
    if (!dc)
        return ERROR_INV_PARAMETER;
    if (!m_bitmap.IsAllocated())
        return ERROR_NO_BITMAP;
    const Impl& impl = *m_bitmap.m_impl;
    const RECT src = m_bitmap.GetSrcRect();
    const RECT dst = m_bitmap.GetDstRect();
    const RECT clip = m_bitmap.GetClipDstRect();
    if (src.right <= src.left || src.bottom <= src.top || dst.right == dst.left || dst.bottom == dst.top)
        return SUCCESS;  // nothing to paint
    const int width = dst.right - dst.left;
    const int height = dst.bottom - dst.top;
    const bool srcInside = src.left >= 0 && src.top >= 0 && src.right <= impl.width && src.bottom <= impl.height;
    const bool reduced = std::int64_t(width) * height < std::int64_t(src.right - src.left) * (src.bottom - src.top);
    if (width < 0 || height < 0 || !srcInside || !reduced) {
        // Mirrored, partly outside the bitmap, or not reduced: straight from the rendition,
        // which is cached itself.
        const std::vector<DWORD>& rendition = m_bitmap.GetRendition();
        return PaintPicture(dc, clip, rendition.data(), impl.width, impl.height, dst, src, rop);
    }
    const std::vector<DWORD>& picture = StretchedPicture(m_bitmap, impl, src, width, height);
    return PaintPicture(dc, clip, picture.data(), width, height, dst, RECT{0, 0, width, height}, rop);
}
