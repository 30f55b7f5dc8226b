#include "imaging/PixelMeaning.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imaging {
namespace {

// Larger factors or offsets are no rescale a modality writes, and would risk overflow.
constexpr std::int64_t kMaxFactor = 65536;
constexpr double kMaxOffset = 2147483648.0;

// `value` as a whole number, when it is one (within the precision of a decimal string).
bool WholeNumber(double value, std::int64_t& whole)
{
    if (!std::isfinite(value) || std::fabs(value) > kMaxOffset)
        return false;
    const double rounded = std::nearbyint(value);
    if (std::fabs(value - rounded) > 1e-9 * std::max(1.0, std::fabs(value)))
        return false;
    whole = static_cast<std::int64_t>(rounded);
    return true;
}

// The integer mapping of the piece's stored values to the reference's: slope ratio and
// intercept difference in the reference's units, both whole, the ratio at least 1.
bool IntegerMapping(const PixelMeaning& piece, const PixelMeaning& reference, SampleConversion& conversion)
{
    if (reference.rescaleSlope == 0.0 || !std::isfinite(reference.rescaleSlope))
        return false;
    std::int64_t factor = 0;
    std::int64_t offset = 0;
    if (!WholeNumber(piece.rescaleSlope / reference.rescaleSlope, factor) || factor < 1 || factor > kMaxFactor ||
        !WholeNumber((piece.rescaleIntercept - reference.rescaleIntercept) / reference.rescaleSlope, offset))
        return false;
    conversion.factor = factor;
    conversion.offset = offset;
    return true;
}

std::uint64_t WordMask(int bitsAllocated)
{
    return bitsAllocated >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << bitsAllocated) - 1;
}

// One stored value as its sample word under `layout` (see EncodeSamples).
std::uint64_t EncodeWord(std::int64_t value, const SampleLayout& layout)
{
    const int shift = layout.highBit - layout.bitsStored + 1;
    const std::uint64_t valueMask = (std::uint64_t(1) << layout.bitsStored) - 1;
    std::uint64_t word = (std::uint64_t(value) & valueMask) << shift;
    if (layout.isSigned && value < 0)
        word |= ~((std::uint64_t(1) << (layout.highBit + 1)) - 1);
    return word & WordMask(layout.bitsAllocated);
}

// Reads, changes and writes back `count` samples of type T (signed types read negative
// values as such).
template <typename T, typename Change>
void RewriteAs(unsigned char* bytes, std::size_t count, Change change)
{
    for (std::size_t i = 0; i < count; ++i) {
        T sample;
        std::memcpy(&sample, bytes + i * sizeof(T), sizeof(T));
        const T result = static_cast<T>(change(static_cast<std::int64_t>(sample)));
        std::memcpy(bytes + i * sizeof(T), &result, sizeof(T));
    }
}

// Dispatches on the width and signedness of the stored values.
template <typename Change>
void RewriteSamples(unsigned char* bytes, std::size_t count, int bitsAllocated, bool isSigned, Change change)
{
    if (bitsAllocated == 8)
        isSigned ? RewriteAs<std::int8_t>(bytes, count, change) : RewriteAs<std::uint8_t>(bytes, count, change);
    else if (bitsAllocated == 16)
        isSigned ? RewriteAs<std::int16_t>(bytes, count, change) : RewriteAs<std::uint16_t>(bytes, count, change);
    else if (bitsAllocated == 32)
        isSigned ? RewriteAs<std::int32_t>(bytes, count, change) : RewriteAs<std::uint32_t>(bytes, count, change);
}

}  // namespace

StoredRange RangeOf(const SampleLayout& layout)
{
    const std::int64_t span = std::int64_t(1) << layout.bitsStored;
    return layout.isSigned ? StoredRange{-span / 2, span / 2 - 1} : StoredRange{0, span - 1};
}

SampleLayout AtBitZero(const SampleLayout& layout)
{
    return SampleLayout{layout.bitsAllocated, layout.bitsStored, layout.bitsStored - 1, layout.isSigned};
}

EConversionRefusal FindConversion(const PixelMeaning& piece, const PixelMeaning& reference,
                                  SampleConversion& conversion)
{
    conversion = SampleConversion{};
    const bool invert = piece.monochrome1 != reference.monochrome1;
    const bool rescaled =
        piece.rescaleSlope != reference.rescaleSlope || piece.rescaleIntercept != reference.rescaleIntercept;
    // An inverted piece's modality values are no longer its own: a rescale of them would
    // claim measurements the piece never had.
    if (invert && rescaled)
        return EConversionRefusal::Photometric;
    const StoredRange own = RangeOf(piece.layout);
    if (invert) {
        conversion.invert = true;
        conversion.invertSum = own.lowest + own.highest;
    }
    if (rescaled && !IntegerMapping(piece, reference, conversion))
        return EConversionRefusal::Rescale;
    // The conversion is increasing, so the range's ends land on the mapped range's ends.
    const StoredRange target = RangeOf(reference.layout);
    const std::int64_t lowest = own.lowest * conversion.factor + conversion.offset;
    const std::int64_t highest = own.highest * conversion.factor + conversion.offset;
    if (lowest >= target.lowest && highest <= target.highest)
        return EConversionRefusal::None;
    if (rescaled)
        return EConversionRefusal::Rescale;
    if (piece.layout.isSigned != reference.layout.isSigned)
        return EConversionRefusal::PixelRepresentation;
    return EConversionRefusal::BitsStored;
}

void ConvertSamples(unsigned char* bytes, std::size_t count, int bitsAllocated, bool isSigned,
                    const SampleConversion& conversion)
{
    if (!bytes || conversion.IsIdentity())
        return;
    RewriteSamples(bytes, count, bitsAllocated, isSigned,
                   [&conversion](std::int64_t value) { return conversion.Apply(value); });
}

void EncodeSamples(unsigned char* bytes, std::size_t count, const SampleLayout& layout)
{
    if (!bytes || !layout.IsValid() || layout.highBit == layout.bitsStored - 1)
        return;
    RewriteSamples(bytes, count, layout.bitsAllocated, layout.isSigned, [&layout](std::int64_t value) {
        return static_cast<std::int64_t>(EncodeWord(value, layout));
    });
}

std::uint32_t StoredBlack(const SampleLayout& layout, bool monochrome1)
{
    if (!layout.IsValid())
        return 0;
    const StoredRange range = RangeOf(layout);
    return static_cast<std::uint32_t>(EncodeWord(monochrome1 ? range.highest : range.lowest, layout));
}

}  // namespace imaging
