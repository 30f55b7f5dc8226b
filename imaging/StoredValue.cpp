#include "imaging/StoredValue.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

namespace imaging {

bool SampleLayout::IsValid() const
{
    return (bitsAllocated == 8 || bitsAllocated == 16 || bitsAllocated == 32) && bitsStored >= 1 &&
           bitsStored <= bitsAllocated && highBit >= bitsStored - 1 && highBit < bitsAllocated;
}

bool SampleLayout::IsIdentity() const
{
    return bitsStored == bitsAllocated && highBit == bitsAllocated - 1;
}

std::int64_t StoredValue(std::uint32_t raw, const SampleLayout& layout)
{
    const int shift = layout.highBit - layout.bitsStored + 1;
    const std::uint64_t mask = (std::uint64_t(1) << layout.bitsStored) - 1;
    const std::uint64_t bits = (std::uint64_t(raw) >> shift) & mask;
    const std::uint64_t sign = std::uint64_t(1) << (layout.bitsStored - 1);
    if (layout.isSigned && (bits & sign))
        return std::int64_t(bits) - std::int64_t(mask) - 1;
    return std::int64_t(bits);
}

namespace {

// The rule of StoredValue, with its shift, mask and sign bit worked out once for the whole
// run and arithmetic in a type as wide as the sample's (a loop the compiler vectorises):
// sign extension is (bits ^ sign) - sign, which is bits - 2^bitsStored when the sign is set.
template <typename T, typename Wide>
void NormaliseAs(unsigned char* bytes, std::size_t count, const SampleLayout& layout)
{
    const int shift = layout.highBit - layout.bitsStored + 1;
    const Wide mask = Wide((std::uint64_t(1) << layout.bitsStored) - 1);
    const Wide sign = layout.isSigned ? Wide(std::uint64_t(1) << (layout.bitsStored - 1)) : Wide(0);
    for (std::size_t i = 0; i < count; ++i) {
        T raw;
        std::memcpy(&raw, bytes + i * sizeof(T), sizeof(T));
        const Wide bits = (Wide(raw) >> shift) & mask;
        const T value = T((bits ^ sign) - sign);
        std::memcpy(bytes + i * sizeof(T), &value, sizeof(T));
    }
}

// The bounds of the samples' stored values, in the arithmetic of NormaliseAs: the loop
// keeps no call and no branch per sample.
template <typename T>
StoredValueBounds RangeAs(const unsigned char* bytes, std::size_t count, const SampleLayout& layout)
{
    const int shift = layout.highBit - layout.bitsStored + 1;
    const std::int32_t mask = std::int32_t((std::uint32_t(1) << layout.bitsStored) - 1);
    const std::int32_t sign = layout.isSigned ? std::int32_t(1) << (layout.bitsStored - 1) : 0;
    std::int32_t low = INT32_MAX;
    std::int32_t high = INT32_MIN;
    for (std::size_t i = 0; i < count; ++i) {
        T raw;
        std::memcpy(&raw, bytes + i * sizeof(T), sizeof(T));
        const std::int32_t value = (((std::int32_t(raw) >> shift) & mask) ^ sign) - sign;
        low = std::min(low, value);
        high = std::max(high, value);
    }
    return {low, high};
}

}  // namespace

StoredValueBounds StoredValueRange(const unsigned char* bytes, std::size_t count, const SampleLayout& layout)
{
    if (!bytes || count == 0 || !layout.IsValid())
        return {};
    if (layout.bitsAllocated == 8)
        return RangeAs<std::uint8_t>(bytes, count, layout);
    if (layout.bitsAllocated == 16)
        return RangeAs<std::uint16_t>(bytes, count, layout);
    std::int64_t low = INT64_MAX;
    std::int64_t high = INT64_MIN;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t raw;
        std::memcpy(&raw, bytes + i * sizeof raw, sizeof raw);
        const std::int64_t value = StoredValue(raw, layout);
        low = std::min(low, value);
        high = std::max(high, value);
    }
    return {low, high};
}

void NormaliseSamples(unsigned char* bytes, std::size_t count, const SampleLayout& layout)
{
    // Full-width samples read the same either way; a layout that does not fit its
    // allocation is left to the caller to refuse.
    if (!bytes || !layout.IsValid() || (layout.IsIdentity()))
        return;
    if (layout.bitsAllocated == 8)
        NormaliseAs<std::uint8_t, std::uint32_t>(bytes, count, layout);
    else if (layout.bitsAllocated == 16)
        NormaliseAs<std::uint16_t, std::uint32_t>(bytes, count, layout);
    else
        NormaliseAs<std::uint32_t, std::uint64_t>(bytes, count, layout);
}

std::uint32_t BlackSample(bool monochrome1, int bytesPerSample, bool isSigned)
{
    if (bytesPerSample != 1 && bytesPerSample != 2)
        return 0;
    const std::uint32_t top = bytesPerSample == 1 ? 0x80u : 0x8000u;
    if (isSigned)
        return monochrome1 ? top - 1 : top;  // the largest and the smallest two's-complement value
    return monochrome1 ? top * 2 - 1 : 0;
}

void FillSamples(unsigned char* bytes, std::size_t count, int bytesPerSample, std::uint32_t sample)
{
    if (!bytes || bytesPerSample <= 0)
        return;
    if (bytesPerSample == 1) {
        std::memset(bytes, int(sample & 0xFF), count);
        return;
    }
    unsigned char pattern[4];
    std::memcpy(pattern, &sample, sizeof pattern);  // little-endian host: low bytes first
    for (std::size_t i = 0; i < count; ++i)
        std::memcpy(bytes + i * std::size_t(bytesPerSample), pattern, std::size_t(bytesPerSample));
}

}  // namespace imaging
