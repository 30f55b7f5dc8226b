// What a grey piece's stored values mean, and the exact conversion of one piece's values
// into another piece's meaning. Pieces of one stitched image must share one meaning: the
// written file describes its samples once. A conversion is offered only where no value
// loses its place in the picture or its measurement; everything else is refused.
#pragma once

#include "imaging/StoredValue.h"

#include <cstddef>
#include <cstdint>

namespace imaging {

// How a grey sample is described: where its bits lie in the word, which end is white, and
// the rescale from stored to modality values (identity when absent).
struct PixelMeaning {
    SampleLayout layout;
    bool monochrome1 = false;
    double rescaleSlope = 1.0;
    double rescaleIntercept = 0.0;
};

// The smallest and largest stored value the layout can hold.
struct StoredRange {
    std::int64_t lowest = 0;
    std::int64_t highest = 0;
};
StoredRange RangeOf(const SampleLayout& layout);

// The layout of the stored values as NormaliseSamples leaves them: the same Bits Stored and
// sign, High Bit at Bits Stored - 1.
SampleLayout AtBitZero(const SampleLayout& layout);

// Why no conversion exists; names the first attribute whose difference cannot be bridged.
enum class EConversionRefusal {
    None,
    Photometric,          // not MONOCHROME1 against MONOCHROME2, or inverted and rescaled at once
    PixelRepresentation,  // signed values where the reference has none, or unsigned ones above its sign bit
    BitsStored,           // values beyond the reference's Bits Stored
    Rescale,              // no integer mapping, or mapped values outside the reference's range
};

// A piece's stored value v becomes `factor * v' + offset`, where v' is v inverted within the
// piece's own stored range (lowest + highest - v) when `invert`, v otherwise.
struct SampleConversion {
    bool invert = false;
    std::int64_t invertSum = 0;  // lowest + highest of the piece's own range
    std::int64_t factor = 1;
    std::int64_t offset = 0;

    bool IsIdentity() const { return !invert && factor == 1 && offset == 0; }
    std::int64_t Apply(std::int64_t value) const
    {
        return (invert ? invertSum - value : value) * factor + offset;
    }
};

// The conversion that gives `piece`'s values `reference`'s meaning, or the refusal. Both
// must be grey with the same Bits Allocated (the caller compares photometric texts of other
// kinds itself). Every value of the piece's stored range must land in the reference's.
EConversionRefusal FindConversion(const PixelMeaning& piece, const PixelMeaning& reference,
                                  SampleConversion& conversion);

// Applies the conversion to `count` stored values (as NormaliseSamples leaves them: bit 0,
// sign-extended when `isSigned`, the piece's own sign) of `bitsAllocated` bits in host order.
// The results fit by FindConversion's check; they are written in the same width.
void ConvertSamples(unsigned char* bytes, std::size_t count, int bitsAllocated, bool isSigned,
                    const SampleConversion& conversion);

// The inverse of NormaliseSamples: stored values become sample words under `layout`, the
// value's bits ending at High Bit, the bits below it 0 and those above it the sign
// (signed) or 0 (unsigned). A layout with High Bit at Bits Stored - 1 leaves the words
// as they are, since stored values already are such words.
void EncodeSamples(unsigned char* bytes, std::size_t count, const SampleLayout& layout);

// The sample word that displays black under `layout`: the largest stored value for
// MONOCHROME1, the smallest otherwise (0, or the most negative value when signed), encoded
// as EncodeSamples encodes it.
std::uint32_t StoredBlack(const SampleLayout& layout, bool monochrome1);

}  // namespace imaging
