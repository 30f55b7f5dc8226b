// The meaning of stored values: which pieces convert to another's meaning and to which
// values, how stored values are put back into their words, and the black of a layout.
#include "imaging/PixelMeaning.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using imaging::EConversionRefusal;
using imaging::PixelMeaning;
using imaging::SampleLayout;

namespace {

PixelMeaning Meaning(int bitsStored, bool isSigned, bool monochrome1 = false, double slope = 1.0,
                     double intercept = 0.0)
{
    return PixelMeaning{SampleLayout{16, bitsStored, bitsStored - 1, isSigned}, monochrome1, slope, intercept};
}

// 16-bit stored values as NormaliseSamples leaves them, converted, read back with `isSigned`.
std::vector<int> Converted(std::vector<int> values, bool fromSigned, bool toSigned,
                           const imaging::SampleConversion& conversion)
{
    std::vector<std::uint16_t> words(values.begin(), values.end());
    imaging::ConvertSamples(reinterpret_cast<unsigned char*>(words.data()), words.size(), 16, fromSigned, conversion);
    std::vector<int> result;
    for (std::uint16_t word : words)
        result.push_back(toSigned ? int(std::int16_t(word)) : int(word));
    return result;
}

}  // namespace

TEST(PixelMeaning, RangesFollowBitsStoredAndSign)
{
    const struct {
        SampleLayout layout;
        std::int64_t lowest, highest;
    } cases[] = {
        {{8, 8, 7, false}, 0, 255},       {{8, 8, 7, true}, -128, 127},     {{16, 10, 9, false}, 0, 1023},
        {{16, 12, 11, true}, -2048, 2047}, {{16, 14, 15, true}, -8192, 8191}, {{16, 16, 15, false}, 0, 65535},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(imaging::RangeOf(c.layout).lowest, c.lowest) << c.layout.bitsStored;
        EXPECT_EQ(imaging::RangeOf(c.layout).highest, c.highest) << c.layout.bitsStored;
    }
}

// Each pair: a piece, the first piece's meaning, sample values of the piece, and either
// the values in the first piece's meaning or the refusal.
TEST(PixelMeaning, PiecesConvertExactlyToTheFirstPiecesMeaningOrAreRefused)
{
    const struct {
        const char* what;
        PixelMeaning piece;
        PixelMeaning reference;
        EConversionRefusal refusal;
        std::vector<int> values;
        std::vector<int> expected;
    } cases[] = {
        {"same meaning", Meaning(12, false), Meaning(12, false), EConversionRefusal::None, {0, 4095}, {0, 4095}},
        {"fewer bits stored", Meaning(10, false), Meaning(12, false), EConversionRefusal::None, {0, 1023}, {0, 1023}},
        {"more bits stored", Meaning(14, false), Meaning(12, false), EConversionRefusal::BitsStored, {}, {}},
        {"unsigned below the sign bit", Meaning(12, false), Meaning(16, true), EConversionRefusal::None,
         {0, 4095}, {0, 4095}},
        {"unsigned up to the sign bit", Meaning(12, false), Meaning(12, true),
         EConversionRefusal::PixelRepresentation, {}, {}},
        {"signed into unsigned", Meaning(10, true), Meaning(16, false), EConversionRefusal::PixelRepresentation,
         {}, {}},
        {"signed, fewer bits", Meaning(10, true), Meaning(12, true), EConversionRefusal::None, {-512, 511},
         {-512, 511}},
        {"MONOCHROME1 unsigned, inverted in its own 10 bits", Meaning(10, false, true), Meaning(12, false),
         EConversionRefusal::None, {0, 1, 1000, 1023}, {1023, 1022, 23, 0}},
        {"MONOCHROME2 signed into MONOCHROME1", Meaning(12, true), Meaning(12, true, true),
         EConversionRefusal::None, {-2048, -1, 0, 2047}, {2047, 0, -1, -2048}},
        {"intercept 0 into -1024: +1024", Meaning(12, false, false, 1, 0), Meaning(16, true, false, 1, -1024),
         EConversionRefusal::None, {0, 24, 4095}, {1024, 1048, 5119}},
        {"slope 2 into 1: doubled", Meaning(10, false, false, 2, 0), Meaning(12, false), EConversionRefusal::None,
         {0, 3, 1023}, {0, 6, 2046}},
        {"slope 0.5 into 1: not whole", Meaning(10, false, false, 0.5, 0), Meaning(12, false),
         EConversionRefusal::Rescale, {}, {}},
        {"intercept 0.5 apart", Meaning(10, false, false, 1, 0.5), Meaning(12, false), EConversionRefusal::Rescale,
         {}, {}},
        {"mapped beyond the range", Meaning(12, false, false, 1, 0), Meaning(12, false, false, 1, -1024),
         EConversionRefusal::Rescale, {}, {}},
        {"negative slope ratio", Meaning(10, false, false, -1, 0), Meaning(12, false), EConversionRefusal::Rescale,
         {}, {}},
        {"inverted and rescaled at once", Meaning(10, false, true, 1, 0), Meaning(12, true, false, 1, -1024),
         EConversionRefusal::Photometric, {}, {}},
        {"decimal slopes of one ratio", Meaning(10, false, false, 0.3, 0.6), Meaning(12, false, false, 0.1, 0.2),
         EConversionRefusal::None, {0, 1}, {4, 7}},
    };
    for (const auto& c : cases) {
        imaging::SampleConversion conversion;
        EXPECT_EQ(imaging::FindConversion(c.piece, c.reference, conversion), c.refusal) << c.what;
        if (c.refusal != EConversionRefusal::None)
            continue;
        EXPECT_EQ(Converted(c.values, c.piece.layout.isSigned, c.reference.layout.isSigned, conversion), c.expected)
            << c.what;
    }
}

TEST(PixelMeaning, EightBitSamplesConvertInTheirByte)
{
    imaging::SampleConversion conversion;
    ASSERT_EQ(imaging::FindConversion(PixelMeaning{{8, 8, 7, true}, true}, PixelMeaning{{8, 8, 7, true}, false},
                                      conversion),
              EConversionRefusal::None);
    std::vector<std::int8_t> bytes = {-128, -1, 0, 127};
    imaging::ConvertSamples(reinterpret_cast<unsigned char*>(bytes.data()), bytes.size(), 8, true, conversion);
    EXPECT_EQ(bytes, (std::vector<std::int8_t>{127, 0, -1, -128}));
}

// Stored values back into their words: bits at High Bit, the sign above it, nothing below.
TEST(PixelMeaning, EncodeSamplesPutsStoredValuesWhereHighBitSays)
{
    const struct {
        SampleLayout layout;
        std::vector<std::uint16_t> stored;  // as NormaliseSamples leaves them
        std::vector<std::uint16_t> words;
    } cases[] = {
        {{16, 12, 11, true}, {0xF800, 0xFFFF, 0x07FF}, {0xF800, 0xFFFF, 0x07FF}},  // already in place
        {{16, 12, 15, false}, {0x0FFF, 0x0001, 0x0800}, {0xFFF0, 0x0010, 0x8000}},
        {{16, 12, 15, true}, {0xF800, 0xFFFF, 0x0001}, {0x8000, 0xFFF0, 0x0010}},
        {{16, 12, 13, true}, {0xFFFF, 0x0005, 0xF800}, {0xFFFC, 0x0014, 0xE000}},
        {{16, 12, 13, false}, {0x0FFF, 0x0005}, {0x3FFC, 0x0014}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint16_t> words = c.stored;
        imaging::EncodeSamples(reinterpret_cast<unsigned char*>(words.data()), words.size(), c.layout);
        EXPECT_EQ(words, c.words) << c.layout.bitsStored << "/" << c.layout.highBit << " " << c.layout.isSigned;
        imaging::NormaliseSamples(reinterpret_cast<unsigned char*>(words.data()), words.size(), c.layout);
        EXPECT_EQ(words, c.stored) << "round trip " << c.layout.highBit;
    }
}

// Black is an end of the stored range, never a word with bits above High Bit.
TEST(PixelMeaning, BlackIsTheEndOfTheStoredRange)
{
    const struct {
        SampleLayout layout;
        bool monochrome1;
        std::uint32_t black;
    } cases[] = {
        {{16, 12, 11, false}, false, 0},      {{16, 12, 11, false}, true, 0x0FFF},
        {{16, 12, 11, true}, false, 0xF800},  {{16, 12, 11, true}, true, 0x07FF},
        {{16, 10, 9, true}, false, 0xFE00},   {{16, 14, 13, false}, true, 0x3FFF},
        {{16, 16, 15, true}, false, 0x8000},  {{16, 16, 15, false}, true, 0xFFFF},
        {{16, 12, 15, true}, false, 0x8000},  {{16, 12, 15, false}, true, 0xFFF0},
        {{8, 8, 7, true}, false, 0x80},       {{8, 8, 7, false}, true, 0xFF},
        {{8, 6, 5, true}, true, 0x1F},
    };
    for (const auto& c : cases)
        EXPECT_EQ(imaging::StoredBlack(c.layout, c.monochrome1), c.black)
            << c.layout.bitsAllocated << "/" << c.layout.bitsStored << "/" << c.layout.highBit << " signed "
            << c.layout.isSigned << " M1 " << c.monochrome1;
}
