// The stored value of a sample, one rule for every reader of pixels (decoding, rendering,
// analysis, composition): the Bits Stored bits that end at High Bit, shifted down to bit 0,
// sign-extended from their top bit when Pixel Representation is 1. Bits outside them
// (overlays, garbage, a sign the modality did not extend) never count.
#pragma once

#include <cstddef>
#include <cstdint>

namespace imaging {

struct SampleLayout {
    int bitsAllocated = 16;  // 8, 16 or 32
    int bitsStored = 16;
    int highBit = 15;
    bool isSigned = false;

    // True when every sample already is its stored value (nothing to shift, mask or extend).
    bool IsIdentity() const;
    // False when Bits Stored and High Bit do not fit Bits Allocated.
    bool IsValid() const;
};

// The stored value of one raw sample word (its low bitsAllocated bits).
std::int64_t StoredValue(std::uint32_t raw, const SampleLayout& layout);

// Rewrites `count` samples of layout.bitsAllocated bits (host byte order) at `bytes` as
// their stored values, in the same width: signed values in two's complement.
void NormaliseSamples(unsigned char* bytes, std::size_t count, const SampleLayout& layout);

// The smallest and largest stored value of `count` samples of layout.bitsAllocated bits
// (8 or 16, host byte order), as StoredValue reads each; {0, 0} when there are none. One
// pass with the shift, mask and sign worked out once.
struct StoredValueBounds {
    std::int64_t smallest = 0;
    std::int64_t largest = 0;
};
StoredValueBounds StoredValueRange(const unsigned char* bytes, std::size_t count, const SampleLayout& layout);

// The raw sample word that displays black: the largest value for MONOCHROME1, the smallest
// otherwise (0 unsigned, the most negative value signed), in bytesPerSample bytes (1 or 2;
// colour samples take 0). Fills wherever no source pixel exists: shifts, unequal widths,
// crop rows beyond the image.
std::uint32_t BlackSample(bool monochrome1, int bytesPerSample, bool isSigned);

// Writes `count` samples of `bytesPerSample` bytes, each `sample`, at `bytes`.
void FillSamples(unsigned char* bytes, std::size_t count, int bytesPerSample, std::uint32_t sample);

}  // namespace imaging
