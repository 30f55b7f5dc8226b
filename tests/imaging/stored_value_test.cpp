// The stored value of a sample: one rule for raw and compressed files, and the black fill.
#include "imaging/LBitmap.h"
#include "imaging/StoredValue.h"
#include "tests/support/DicomFactory.h"
#include "tests/support/ProcessRun.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using imaging::SampleLayout;

namespace {

struct StoredCase {
    std::uint32_t raw;
    SampleLayout layout;
    std::int64_t expected;
};

TEST(StoredValue, BitsStoredAtHighBitShiftedDownAndSignExtended)
{
    const StoredCase cases[] = {
        {0xFFF0, {16, 12, 15, false}, 4095},      // High Bit 15: shifted down by 4
        {0x8000, {16, 12, 15, true}, -2048},      // ... and its top bit is the sign
        {0x0FFF, {16, 12, 11, true}, -1},         // not extended by the modality
        {0xF7FF, {16, 12, 11, true}, 2047},       // bits above High Bit are not the sign
        {0xF123, {16, 12, 11, false}, 0x123},     // overlay bits ignored
        {0xFFFF, {16, 16, 15, false}, 65535},
        {0xFFFF, {16, 16, 15, true}, -1},
        {0xA5, {8, 6, 7, false}, 41},             // 0b101001 of 0b10100101
        {0xFF, {8, 8, 7, true}, -1},
        {0x80000000u, {32, 32, 31, true}, -2147483648LL},
        {0xFFFFFFFFu, {32, 32, 31, false}, 4294967295LL},
    };
    for (const StoredCase& c : cases)
        EXPECT_EQ(imaging::StoredValue(c.raw, c.layout), c.expected)
            << std::hex << c.raw << std::dec << " stored " << c.layout.bitsStored << " high " << c.layout.highBit;
}

TEST(StoredValue, NormaliseRewritesSamplesInTheirOwnWidth)
{
    std::vector<std::uint16_t> words = {0xFFF0, 0x8010, 0x0010, 0x000F};
    imaging::NormaliseSamples(reinterpret_cast<unsigned char*>(words.data()), words.size(), {16, 12, 15, true});
    EXPECT_EQ(words, (std::vector<std::uint16_t>{0xFFFF, 0xF801, 0x0001, 0x0000}));
}

// The whole-run rewrite must give every sample exactly its StoredValue, truncated to its
// width: every 8- and 16-bit word, and 32-bit words around each layout's edges.
template <typename T>
void ExpectNormaliseMatchesStoredValue(const std::vector<T>& raws, const SampleLayout& layout)
{
    std::vector<T> samples = raws;
    imaging::NormaliseSamples(reinterpret_cast<unsigned char*>(samples.data()), samples.size(), layout);
    size_t mismatches = 0;
    for (size_t i = 0; i < raws.size(); ++i)
        mismatches += samples[i] != T(imaging::StoredValue(std::uint32_t(raws[i]), layout));
    EXPECT_EQ(mismatches, 0u) << "stored " << layout.bitsStored << " high " << layout.highBit << " signed "
                              << layout.isSigned;
}

TEST(StoredValue, NormaliseAgreesWithStoredValueForEveryLayout)
{
    std::vector<std::uint8_t> bytes(256);
    std::vector<std::uint16_t> words(65536);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = std::uint16_t(i);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i);
    std::vector<std::uint32_t> longs;
    for (std::uint32_t edge : {0u, 1u, 0x7FFu, 0x800u, 0xFFFu, 0x7FFFu, 0x8000u, 0xFFFFu, 0x7FFFFFFFu, 0x80000000u})
        for (std::uint32_t noise : {0u, 0xF0000000u, 0x0000F000u, 0xFFFF0000u})
            longs.push_back(edge ^ noise);
    for (bool isSigned : {false, true}) {
        for (const auto& [stored, high] : {std::pair{12, 11}, {12, 15}, {10, 13}, {15, 15}, {1, 0}, {16, 15}})
            ExpectNormaliseMatchesStoredValue(words, {16, stored, high, isSigned});
        for (const auto& [stored, high] : {std::pair{6, 7}, {7, 6}, {1, 7}, {8, 7}})
            ExpectNormaliseMatchesStoredValue(bytes, {8, stored, high, isSigned});
        for (const auto& [stored, high] : {std::pair{24, 27}, {31, 30}, {16, 31}, {32, 31}})
            ExpectNormaliseMatchesStoredValue(longs, {32, stored, high, isSigned});
    }
}

// The one-pass range must equal the bounds of StoredValue over the same samples.
template <typename T>
void ExpectRangeMatchesStoredValue(const std::vector<T>& raws, const SampleLayout& layout)
{
    std::int64_t low = INT64_MAX;
    std::int64_t high = INT64_MIN;
    for (T raw : raws) {
        low = std::min(low, imaging::StoredValue(std::uint32_t(raw), layout));
        high = std::max(high, imaging::StoredValue(std::uint32_t(raw), layout));
    }
    const auto bounds =
        imaging::StoredValueRange(reinterpret_cast<const unsigned char*>(raws.data()), raws.size(), layout);
    EXPECT_EQ(bounds.smallest, low) << "stored " << layout.bitsStored << " high " << layout.highBit;
    EXPECT_EQ(bounds.largest, high) << "stored " << layout.bitsStored << " high " << layout.highBit;
}

TEST(StoredValue, RangeIsTheBoundsOfTheStoredValues)
{
    const std::vector<std::uint16_t> words = {0xFFF0, 0x8010, 0x0010, 0x000F, 0x7FF0};
    const std::vector<std::uint8_t> bytes = {0xA5, 0x03, 0xFC, 0x80};
    for (bool isSigned : {false, true}) {
        for (const auto& [stored, high] : {std::pair{12, 11}, {12, 15}, {10, 13}, {16, 15}, {1, 0}})
            ExpectRangeMatchesStoredValue(words, {16, stored, high, isSigned});
        for (const auto& [stored, high] : {std::pair{6, 7}, {8, 7}, {1, 7}})
            ExpectRangeMatchesStoredValue(bytes, {8, stored, high, isSigned});
    }
    // Exact figures for the common layouts.
    const auto* data = reinterpret_cast<const unsigned char*>(words.data());
    const auto signed12 = imaging::StoredValueRange(data, words.size(), {16, 12, 15, true});
    EXPECT_EQ(signed12.smallest, -2047);  // 0x8010 >> 4
    EXPECT_EQ(signed12.largest, 2047);    // 0x7FF0 >> 4
    const auto whole = imaging::StoredValueRange(data, words.size(), {16, 16, 15, false});
    EXPECT_EQ(whole.smallest, 0x000F);
    EXPECT_EQ(whole.largest, 0xFFF0);
    // No samples, or a layout that does not fit its allocation, give {0, 0}.
    EXPECT_EQ(imaging::StoredValueRange(data, 0, {16, 16, 15, false}).largest, 0);
    EXPECT_EQ(imaging::StoredValueRange(data, words.size(), {16, 17, 15, false}).largest, 0);
}

TEST(StoredValue, BlackIsTheEndThatDisplaysBlack)
{
    struct BlackCase {
        bool monochrome1;
        int bytes;
        bool isSigned;
        std::uint32_t expected;
    };
    const BlackCase cases[] = {
        {false, 2, false, 0},      {true, 2, false, 0xFFFF}, {false, 2, true, 0x8000}, {true, 2, true, 0x7FFF},
        {false, 1, false, 0},      {true, 1, false, 0xFF},   {false, 1, true, 0x80},   {true, 1, true, 0x7F},
        {false, 3, false, 0},
    };
    for (const BlackCase& c : cases)
        EXPECT_EQ(imaging::BlackSample(c.monochrome1, c.bytes, c.isSigned), c.expected)
            << c.monochrome1 << " " << c.bytes << " " << c.isSigned;
    std::vector<unsigned char> bytes(6, 0x11);
    imaging::FillSamples(bytes.data(), 3, 2, 0x8000);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x00, 0x80, 0x00, 0x80, 0x00, 0x80}));
}

std::vector<std::int64_t> LoadedValues(const fs::path& path)
{
    LBitmap bitmap;
    EXPECT_EQ(bitmap.Load(path.c_str()), SUCCESS) << path << ": " << bitmap.GetLastError();
    std::vector<std::int64_t> values;
    const BYTE* pixels = bitmap.GetPixels();
    for (int i = 0; pixels && i < bitmap.GetWidth() * bitmap.GetHeight(); ++i) {
        if (bitmap.GetBitsPerPixel() == 16) {
            std::uint16_t word;
            std::memcpy(&word, pixels + 2 * i, 2);
            values.push_back(bitmap.IsSigned() ? std::int64_t(std::int16_t(word)) : std::int64_t(word));
        } else {
            std::uint32_t word;
            std::memcpy(&word, pixels + 4 * i, 4);
            values.push_back(std::int64_t(word));
        }
    }
    return values;
}

// Raw, RLE and JPEG lossless files decode to the same stored values.
TEST(StoredValue, EverySyntaxDecodesTheSameStoredValues)
{
    struct FileCase {
        const char* name;
        int highBit;
        int representation;
        std::vector<int> raw;
        std::vector<std::int64_t> expected;
    };
    const FileCase cases[] = {
        {"high15", 15, 0, {0xFFF0, 0x0010, 0x8005, 0x1230}, {4095, 1, 2048, 0x123}},
        {"signed15", 15, 1, {0xFFF0, 0x8000, 0x7FF0, 0x0010}, {-1, -2048, 2047, 1}},
        {"signed11", 11, 1, {0x0FFF, 0xF800, 0x07FF, 0xF001}, {-1, -2048, 2047, 1}},
    };
    const fs::path dir = testfiles::FreshDir("stored_value_syntaxes");
    for (const FileCase& c : cases) {
        testfiles::SyntheticImage image = testfiles::MakeGrey(2, 2, 16, [&](int r, int col) { return c.raw[size_t(r * 2 + col)]; });
        image.highBit = c.highBit;
        image.pixelRepresentation = c.representation;
        const fs::path raw = dir / (std::string(c.name) + ".dcm");
        ASSERT_EQ(testfiles::WriteSynthetic(image, raw), "");
        EXPECT_EQ(LoadedValues(raw), c.expected) << c.name << " raw";
        for (const char* tool : {"dcmcrle", "dcmcjpeg"}) {
            const fs::path compressed = dir / (std::string(c.name) + "-" + tool + ".dcm");
            const testfiles::ProcessRun run =
                testfiles::RunShell(std::string(tool) + " " + testfiles::Quote(raw) + " " + testfiles::Quote(compressed));
            ASSERT_EQ(run.status, 0) << run.output;
            EXPECT_EQ(LoadedValues(compressed), c.expected) << c.name << " " << tool;
        }
    }
}

// 32-bit samples of a big-endian file read as those of the little-endian one (values as
// pydicom gives them).
TEST(StoredValue, BigEndian32BitSamples)
{
    for (const char* name : {"rtdose_1frame.dcm", "rtdose_expb_1frame.dcm"}) {
        const fs::path path = testfiles::Pydicom(name);
        if (path.empty())
            GTEST_SKIP() << name << " (python3-pydicom) missing";
        const std::vector<std::int64_t> values = LoadedValues(path);
        ASSERT_EQ(values.size(), 100u) << name;
        EXPECT_EQ(values[0], 1249000) << name;
        EXPECT_EQ(values[5 * 10 + 5], 978000) << name;
        EXPECT_EQ(values[9 * 10 + 3], 800000) << name;
    }
}

}  // namespace
