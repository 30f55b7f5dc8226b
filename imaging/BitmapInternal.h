// Internal to the imaging layer: the state behind LBitmapBase.
#pragma once

#include "imaging/LBitmap.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace imaging {

// A bitmap's pixel rows, shared by copies of the bitmap until one of them writes
// (copy on write): copying a bitmap, or cutting a band of whole rows out of it, costs no
// pixel copy. Read access goes through the const members; the non-const data() gives
// this holder rows of its own first.
class SharedPixels {
public:
    SharedPixels() = default;
    // Takes over the bytes.
    explicit SharedPixels(platform::PixelBuffer&& bytes);
    // `count` zeroed bytes; throws std::bad_alloc when memory runs out.
    static SharedPixels Zeroed(size_t count);
    // Bytes offset .. offset + count of `whole`, sharing its rows.
    static SharedPixels Slice(const SharedPixels& whole, size_t offset, size_t count);

    bool empty() const { return m_size == 0; }
    size_t size() const { return m_size; }
    const BYTE* data() const { return m_data; }
    // Writable bytes; copies them first while another holder shares them (throws
    // std::bad_alloc when that copy cannot be made).
    BYTE* WritableData();
    // Writable bytes whose values the caller replaces all: while shared, fresh bytes of
    // the same size instead of a copy.
    BYTE* DataForOverwrite();
    // The bytes as a buffer of their own, this holder left empty: the block itself when
    // this holder alone has all of it, else a copy (empty when memory runs out).
    platform::PixelBuffer TakeBytes();
    const BYTE* begin() const { return m_data; }
    const BYTE* end() const { return m_data + m_size; }

private:
    // The buffer that holds the bytes.
    std::shared_ptr<const platform::PixelBuffer> m_block;
    BYTE* m_data = nullptr;
    size_t m_size = 0;
};

}  // namespace imaging

struct LBitmapBase::Impl {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    bool isSigned = false;
    int order = ORDER_BGR;  // 24-bit pixels: blue first unless ORDER_RGB
    imaging::SharedPixels pixels;

    bool hasWindow = false;
    // Unwindowed grey is drawn with the largest value black (MONOCHROME1).
    bool invertedGrey = false;
    int lowBit = 0;
    int highBit = 0;
    std::vector<RGBQUAD> lut;

    RECT src{}, clipSrc{}, dst{}, clipDst{};

    // Cached 0x00RRGGBB rendition, rebuilt when the pixels or the table change.
    mutable std::vector<DWORD> rendition;
    mutable bool renditionValid = false;

    // Cached picture of the source rectangle stretched to the destination size (nearest
    // sample), so that repainting an unchanged bitmap at an unchanged size only copies
    // destination pixels. Dropped with the rendition.
    mutable std::vector<DWORD> stretched;
    mutable RECT stretchedSrc{};
    mutable int stretchedWidth = 0;
    mutable int stretchedHeight = 0;
    mutable bool stretchedValid = false;

    std::string lastError;

    size_t BytesPerPixel() const { return size_t(bitsPerPixel / 8); }
    size_t RowBytes() const { return size_t(width) * BytesPerPixel(); }
    bool IsGrey() const { return bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 32; }
    void Invalidate()
    {
        renditionValid = false;
        stretchedValid = false;
    }
    // Colour, and grey through a window, render pixel by pixel; unwindowed grey needs the
    // whole image's value range first.
    bool RendersPixelwise() const { return bitsPerPixel == 24 || hasWindow; }
    // Pixel `index` as the rendition shows it (0x00RRGGBB); only where RendersPixelwise().
    DWORD RenderPixel(size_t index) const;
    void ResetRects()
    {
        src = clipSrc = dst = clipDst = RECT{0, 0, width, height};
    }
    int Fail(int code, std::string reason)
    {
        lastError = std::move(reason);
        return code;
    }
    // Grey sample `index` (in samples) with its sign.
    std::int64_t Sample(size_t index) const;
    // The lookup table entry a grey sample renders through: signed samples are shifted by
    // 32768, and values beyond the table take its ends.
    size_t LutIndex(std::int64_t sample, size_t tableSize) const
    {
        const std::int64_t offset = isSigned ? 32768 : 0;
        return size_t(std::clamp<std::int64_t>(sample + offset, 0, std::int64_t(tableSize) - 1));
    }
};

namespace imaging {
// 0x00RRGGBB, the layout of renditions and painted pictures.
inline DWORD PackRgb(BYTE red, BYTE green, BYTE blue)
{
    return (DWORD(red) << 16) | (DWORD(green) << 8) | DWORD(blue);
}
}  // namespace imaging

namespace imaging {
// True for the depths the bitmaps hold: 8, 16 and 32-bit grey, 24-bit colour.
inline bool IsSupportedDepth(int bitsPerPixel)
{
    return bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
}
}  // namespace imaging
