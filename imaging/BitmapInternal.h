// Internal to the imaging layer: the state behind LBitmapBase.
#pragma once

#include "imaging/LBitmap.h"

#include <cstdint>
#include <string>
#include <vector>

struct LBitmapBase::Impl {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    bool isSigned = false;
    int order = ORDER_BGR;  // 24-bit pixels: blue first unless ORDER_RGB
    std::vector<BYTE> pixels;

    bool hasWindow = false;
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
};

namespace imaging {
// True for the depths the bitmaps hold: 8, 16 and 32-bit grey, 24-bit colour.
inline bool IsSupportedDepth(int bitsPerPixel)
{
    return bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
}
}  // namespace imaging
