// LBitmapBase: rectangle copy, resize, fill, combine, bit and value ranges.
#include "imaging/BitmapInternal.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

namespace {

// A new pixel buffer of width x height for `impl`'s depth, zeroed. False when memory
// runs out.
bool Allocate(imaging::SharedPixels& pixels, const LBitmapBase::Impl& impl, int width, int height)
{
    try {
        pixels = imaging::SharedPixels::Zeroed(size_t(width) * size_t(height) * impl.BytesPerPixel());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Source and target rectangles of a combine, clipped to both bitmaps.
struct Overlap {
    int xDst, yDst, xSrc, ySrc, width, height;
};

Overlap ClipOverlap(int xDst, int yDst, int width, int height, int xSrc, int ySrc, int dstW, int dstH, int srcW,
                    int srcH)
{
    const auto clipAxis = [](int& dst, int& src, int& size, int dstLimit, int srcLimit) {
        const int shift = std::max({0, -dst, -src});
        dst += shift;
        src += shift;
        size = int(std::min<long long>({(long long)size - shift, (long long)dstLimit - dst, (long long)srcLimit - src}));
    };
    clipAxis(xDst, xSrc, width, dstW, srcW);
    clipAxis(yDst, ySrc, height, dstH, srcH);
    return {xDst, yDst, xSrc, ySrc, std::max(width, 0), std::max(height, 0)};
}

// The bits set in any of `count` samples of type T (their stored bit patterns).
template <typename T>
std::uint64_t SampleBits(const BYTE* bytes, size_t count)
{
    T bits = 0;
    for (size_t i = 0; i < count; ++i) {
        T value;
        std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
        bits |= value;
    }
    return bits;
}

// Smallest and largest of `count` (at least one) samples of type T.
template <typename T>
void SampleRange(const BYTE* bytes, size_t count, std::int64_t& low, std::int64_t& high)
{
    T lo = std::numeric_limits<T>::max();
    T hi = std::numeric_limits<T>::lowest();
    for (size_t i = 0; i < count; ++i) {
        T value;
        std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
        lo = std::min(lo, value);
        hi = std::max(hi, value);
    }
    low = lo;
    high = hi;
}

// The bits set in any of `count` samples of type T and their smallest and largest value,
// in one pass: SampleBits and SampleRange together.
template <typename T>
std::uint64_t SampleBitsAndRange(const BYTE* bytes, size_t count, std::int64_t& low, std::int64_t& high)
{
    using Bits = std::make_unsigned_t<T>;
    Bits bits = 0;
    T lo = std::numeric_limits<T>::max();
    T hi = std::numeric_limits<T>::lowest();
    for (size_t i = 0; i < count; ++i) {
        T value;
        std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
        bits |= Bits(value);
        lo = std::min(lo, value);
        hi = std::max(hi, value);
    }
    low = lo;
    high = hi;
    return bits;
}

}  // namespace

int LBitmapBase::CopyRect(const LBitmapBase& source, int x, int y, int width, int height)
{
    const Impl& from = *source.m_impl;
    if (from.pixels.empty())
        return m_impl->Fail(ERROR_NO_BITMAP, "the source bitmap holds no pixels");
    const Overlap part = ClipOverlap(0, 0, width, height, x, y, width, height, from.width, from.height);
    if (width <= 0 || height <= 0 || part.width <= 0 || part.height <= 0)
        return m_impl->Fail(ERROR_INV_PARAMETER, "the rectangle is empty or lies outside the source");
    Impl result;
    try {
        result = from;  // depth, sign, order and window
    } catch (const std::bad_alloc&) {
        return m_impl->Fail(ERROR_NO_MEMORY, "no memory for the copy");
    }
    const size_t bpp = from.BytesPerPixel();
    if (x == 0 && width == from.width && part.height == height) {
        // A band of whole rows: the copy shares the source's rows.
        result.pixels = imaging::SharedPixels::Slice(from.pixels, size_t(y) * from.RowBytes(),
                                                     size_t(height) * from.RowBytes());
    } else {
        if (!Allocate(result.pixels, from, width, height))
            return m_impl->Fail(ERROR_NO_MEMORY, "no memory for the copy");
        BYTE* target = result.pixels.WritableData();
        for (int row = 0; row < part.height; ++row)
            std::memcpy(target + (size_t(part.yDst + row) * size_t(width) + size_t(part.xDst)) * bpp,
                        from.pixels.data() + (size_t(part.ySrc + row) * size_t(from.width) + size_t(part.xSrc)) * bpp,
                        size_t(part.width) * bpp);
    }
    result.width = width;
    result.height = height;
    result.ResetRects();
    result.rendition.clear();
    result.Invalidate();
    result.lastError.clear();
    *m_impl = std::move(result);
    return SUCCESS;
}

int LBitmapBase::Resize(int width, int height)
{
    Impl& impl = *m_impl;
    if (impl.pixels.empty())
        return impl.Fail(ERROR_NO_BITMAP, "the bitmap holds no pixels");
    if (width <= 0 || height <= 0)
        return impl.Fail(ERROR_INV_PARAMETER, "a bitmap needs a positive size");
    imaging::SharedPixels pixels;
    if (!Allocate(pixels, impl, width, height))
        return impl.Fail(ERROR_NO_MEMORY, "no memory for the resized bitmap");
    const size_t bpp = impl.BytesPerPixel();
    BYTE* target = pixels.WritableData();
    const BYTE* source = std::as_const(impl.pixels).data();
    for (int y = 0; y < height; ++y) {
        const size_t sy = size_t((long long)y * impl.height / height);
        for (int x = 0; x < width; ++x) {
            const size_t sx = size_t((long long)x * impl.width / width);
            std::memcpy(target + (size_t(y) * size_t(width) + size_t(x)) * bpp,
                        source + (sy * size_t(impl.width) + sx) * bpp, bpp);
        }
    }
    impl.pixels = std::move(pixels);
    impl.width = width;
    impl.height = height;
    impl.ResetRects();
    impl.Invalidate();
    return SUCCESS;
}

int LBitmapBase::Fill(DWORD value)
{
    Impl& impl = *m_impl;
    if (impl.pixels.empty())
        return impl.Fail(ERROR_NO_BITMAP, "the bitmap holds no pixels");
    BYTE pattern[4] = {};
    if (impl.bitsPerPixel == 24) {
        // A colour as COLORREF 0x00BBGGRR.
        const BYTE red = GetRValue(value), green = GetGValue(value), blue = GetBValue(value);
        pattern[0] = impl.order == ORDER_RGB ? red : blue;
        pattern[1] = green;
        pattern[2] = impl.order == ORDER_RGB ? blue : red;
    } else {
        for (size_t i = 0; i < 4; ++i)
            pattern[i] = BYTE(value >> (8 * i));
    }
    const size_t bpp = impl.BytesPerPixel();
    BYTE* target = nullptr;
    try {
        target = impl.pixels.DataForOverwrite();
    } catch (const std::bad_alloc&) {
        return impl.Fail(ERROR_NO_MEMORY, "no memory for the bitmap's own pixels");
    }
    for (size_t offset = 0; offset < impl.pixels.size(); offset += bpp)
        std::memcpy(target + offset, pattern, bpp);
    impl.Invalidate();
    return SUCCESS;
}

int LBitmapBase::Combine(int xDst, int yDst, int width, int height, const LBitmapBase& source, int xSrc, int ySrc,
                         UINT flags)
{
    Impl& impl = *m_impl;
    if (impl.pixels.empty() || source.m_impl->pixels.empty())
        return impl.Fail(ERROR_NO_BITMAP, "a bitmap of the combine holds no pixels");
    if (impl.bitsPerPixel != source.m_impl->bitsPerPixel)
        return impl.Fail(ERROR_INV_PARAMETER, "the bitmaps differ in bits per pixel");
    const UINT op = flags & 0x0300;
    const bool replace = op == 0x0300 || (op == 0 && (flags & CB_DST_0));
    if (!replace && op != CB_OP_OR)
        return impl.Fail(ERROR_FEATURE_NOT_SUPPORTED, "only replace and OR combines are supported");
    const Impl& from = *source.m_impl;
    const Overlap part =
        ClipOverlap(xDst, yDst, width, height, xSrc, ySrc, impl.width, impl.height, from.width, from.height);
    // The source's rows as they are now: combining a bitmap with itself (or with a bitmap
    // sharing its rows) writes into a copy of its own.
    const imaging::SharedPixels snapshot = from.pixels;
    const BYTE* sourcePixels = snapshot.data();
    BYTE* targetPixels = nullptr;
    try {
        targetPixels = impl.pixels.WritableData();
    } catch (const std::bad_alloc&) {
        return impl.Fail(ERROR_NO_MEMORY, "no memory for the bitmap's own pixels");
    }
    const size_t bpp = impl.BytesPerPixel();
    const size_t bytes = size_t(part.width) * bpp;
    for (int row = 0; row < part.height; ++row) {
        BYTE* target = targetPixels + (size_t(part.yDst + row) * size_t(impl.width) + size_t(part.xDst)) * bpp;
        const BYTE* bits = sourcePixels + (size_t(part.ySrc + row) * size_t(from.width) + size_t(part.xSrc)) * bpp;
        if (replace) {
            std::memcpy(target, bits, bytes);
        } else {
            if (flags & CB_DST_0)
                std::memset(target, 0, bytes);
            for (size_t i = 0; i < bytes; ++i)
                target[i] |= bits[i];
        }
    }
    impl.Invalidate();
    return SUCCESS;
}

int LBitmapBase::GetMinMaxBits(int* lowBit, int* highBit) const
{
    const Impl& impl = *m_impl;
    if (impl.pixels.empty())
        return ERROR_NO_BITMAP;
    std::uint64_t bits = 0;
    if (impl.bitsPerPixel == 24) {
        for (BYTE b : impl.pixels)
            bits |= b;
    } else {
        const size_t count = impl.pixels.size() / impl.BytesPerPixel();
        if (impl.bitsPerPixel == 8)
            bits = SampleBits<std::uint8_t>(impl.pixels.data(), count);
        else if (impl.bitsPerPixel == 16)
            bits = SampleBits<std::uint16_t>(impl.pixels.data(), count);
        else
            bits = SampleBits<std::uint32_t>(impl.pixels.data(), count);
    }
    if (lowBit)
        *lowBit = bits ? std::countr_zero(bits) : 0;
    if (highBit)
        *highBit = bits ? 63 - std::countl_zero(bits) : 0;
    return SUCCESS;
}

int LBitmapBase::GetMinMaxVal(int* minValue, int* maxValue) const
{
    const Impl& impl = *m_impl;
    if (impl.pixels.empty())
        return ERROR_NO_BITMAP;
    std::int64_t low = INT64_MAX, high = INT64_MIN;
    if (impl.bitsPerPixel == 24) {
        const auto [lo, hi] = std::minmax_element(impl.pixels.begin(), impl.pixels.end());
        low = *lo;
        high = *hi;
    } else {
        const size_t count = impl.pixels.size() / impl.BytesPerPixel();
        const BYTE* bytes = impl.pixels.data();
        switch (impl.bitsPerPixel * (impl.isSigned ? -1 : 1)) {
        case 8:
            SampleRange<std::uint8_t>(bytes, count, low, high);
            break;
        case -8:
            SampleRange<std::int8_t>(bytes, count, low, high);
            break;
        case 16:
            SampleRange<std::uint16_t>(bytes, count, low, high);
            break;
        case -16:
            SampleRange<std::int16_t>(bytes, count, low, high);
            break;
        case 32:
            SampleRange<std::uint32_t>(bytes, count, low, high);
            break;
        default:
            SampleRange<std::int32_t>(bytes, count, low, high);
            break;
        }
    }
    if (minValue)
        *minValue = int(std::clamp<std::int64_t>(low, INT_MIN, INT_MAX));
    if (maxValue)
        *maxValue = int(std::clamp<std::int64_t>(high, INT_MIN, INT_MAX));
    return SUCCESS;
}

int LBitmapBase::GetMinMaxBitsAndVal(int* lowBit, int* highBit, int* minValue, int* maxValue) const
{
    const Impl& impl = *m_impl;
    const int width = impl.bitsPerPixel;
    if (impl.pixels.empty() || (width != 8 && width != 16 && width != 32)) {
        const int result = GetMinMaxBits(lowBit, highBit);
        return result == SUCCESS ? GetMinMaxVal(minValue, maxValue) : result;
    }
    const size_t count = impl.pixels.size() / impl.BytesPerPixel();
    const BYTE* bytes = impl.pixels.data();
    std::int64_t low = 0, high = 0;
    std::uint64_t bits = 0;
    switch (width * (impl.isSigned ? -1 : 1)) {
    case 8:
        bits = SampleBitsAndRange<std::uint8_t>(bytes, count, low, high);
        break;
    case -8:
        bits = SampleBitsAndRange<std::int8_t>(bytes, count, low, high);
        break;
    case 16:
        bits = SampleBitsAndRange<std::uint16_t>(bytes, count, low, high);
        break;
    case -16:
        bits = SampleBitsAndRange<std::int16_t>(bytes, count, low, high);
        break;
    case 32:
        bits = SampleBitsAndRange<std::uint32_t>(bytes, count, low, high);
        break;
    default:
        bits = SampleBitsAndRange<std::int32_t>(bytes, count, low, high);
        break;
    }
    if (lowBit)
        *lowBit = bits ? std::countr_zero(bits) : 0;
    if (highBit)
        *highBit = bits ? 63 - std::countl_zero(bits) : 0;
    if (minValue)
        *minValue = int(std::clamp<std::int64_t>(low, INT_MIN, INT_MAX));
    if (maxValue)
        *maxValue = int(std::clamp<std::int64_t>(high, INT_MIN, INT_MAX));
    return SUCCESS;
}
