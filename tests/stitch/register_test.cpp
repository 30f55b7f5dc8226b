// Registration of adjacent exposures on generated studies with known placement: every
// junction reported aligned is within one pixel of the truth, nearly all textured
// junctions are aligned, and overlaps that do not pin the placement down are refused.
#include "stitch/StitchRegister.h"

#include "imaging/LBitmap.h"
#include "tests/support/OverlapStudy.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

namespace {

struct Sweep {
    const char* name;
    overlapstudy::Options options;
};

CRegPlane Uniform(int rows, int columns, float value)
{
    CRegPlane plane;
    plane.width = columns;
    plane.height = rows;
    plane.contentBottom = rows;
    plane.values.assign(static_cast<size_t>(rows) * static_cast<size_t>(columns), value);
    return plane;
}

}  // namespace

TEST(StitchRegister, TexturedJunctionsWithinOnePixel)
{
    const Sweep sweeps[] = {
        {"medium", {.pieces = 3, .rows = 640, .columns = 480}},
        {"small overlap", {.rows = 480, .columns = 360, .bandMax = 8, .forcedOverlap = 48}},
        {"large overlap", {.rows = 480, .columns = 360, .overlapMin = 0.38, .overlapMax = 0.40}},
        {"noisy", {.rows = 400, .columns = 320, .noise = 0.04}},
        {"dark, inverted", {.rows = 400, .columns = 320, .gainSign = -1}},
    };
    int junctions = 0;
    int aligned = 0;
    for (const Sweep& sweep : sweeps) {
        for (uint32_t seed = 1; seed <= 12; ++seed) {
            overlapstudy::Options options = sweep.options;
            options.seed = seed * 7919u + static_cast<uint32_t>(sweep.options.rows);
            const overlapstudy::Study study = overlapstudy::Make(options);
            for (size_t j = 0; j < study.junctions.size(); ++j, ++junctions) {
                const CJunction found = RegisterPair(study.planes[j], study.planes[j + 1]);
                const overlapstudy::Truth& truth = study.junctions[j];
                if (!found.aligned)
                    continue;
                ++aligned;
                EXPECT_LE(std::abs(found.offset - truth.offset), 1) << sweep.name << " seed " << seed << " junction " << j;
                EXPECT_LE(std::abs(found.dx - truth.dx), 1) << sweep.name << " seed " << seed << " junction " << j;
                EXPECT_GE(found.overlap, CRegisterLimits::kMinOverlapRows);
            }
        }
    }
    EXPECT_EQ(junctions, 72);
    EXPECT_GE(aligned, 62) << "of " << junctions;
}

TEST(StitchRegister, OverlapsThatDoNotDecideAreRefused)
{
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        const overlapstudy::Study study = overlapstudy::Make({.seed = seed, .pieces = 3, .featurelessJunction = 1});
        const CJunction flat = RegisterPair(study.planes[1], study.planes[2]);
        EXPECT_FALSE(flat.aligned) << "seed " << seed;
        EXPECT_NE(flat.reason, EJunctionReason::None);
    }
    // Vertical lines alone (long bones without ends) match at every height.
    CRegPlane lines = Uniform(400, 320, 0.2f);
    for (int r = 0; r < lines.height; ++r)
        for (int c = 0; c < lines.width; ++c)
            lines.values[static_cast<size_t>(r * lines.width + c)] += (c / 40) % 2 ? 0.5f + 0.001f * ((r * 7 + c * 13) % 11) : 0.0f;
    const struct {
        const char* name;
        CRegPlane a, b;
    } cases[] = {
        {"constant", Uniform(400, 320, 0.5f), Uniform(400, 320, 0.5f)},
        {"vertical lines", lines, lines},
        {"too short", Uniform(20, 320, 0.5f), Uniform(20, 320, 0.5f)},
        {"too narrow", Uniform(400, 8, 0.5f), Uniform(400, 8, 0.5f)},
    };
    for (const auto& c : cases) {
        const CJunction junction = RegisterPair(c.a, c.b);
        EXPECT_FALSE(junction.aligned) << c.name;
        EXPECT_NE(junction.reason, EJunctionReason::None) << c.name;
    }
}

TEST(StitchRegister, ReasonsHaveWords)
{
    const struct {
        EJunctionReason reason;
        const char* text;
    } cases[] = {
        {EJunctionReason::None, "aligned"},
        {EJunctionReason::TooSmall, "overlap too small"},
        {EJunctionReason::NoStructure, "overlap without structure"},
        {EJunctionReason::LowScore, "overlap does not match"},
        {EJunctionReason::Ambiguous, "ambiguous overlap"},
        {EJunctionReason::Imprecise, "overlap too faint to place to the pixel"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(JunctionReasonText(c.reason), c.text);
}

TEST(StitchRegister, StoredSamplesBecomeDisplayValues)
{
    const struct {
        const char* name;
        std::vector<unsigned char> stored;
        CRegSampleFormat format;
        std::vector<float> expected;
    } cases[] = {
        {"8-bit", {0, 7, 255}, {1, false, 1.0f, 0.0f}, {0.0f, 7.0f, 255.0f}},
        {"16-bit, little-endian words", {0x34, 0x12, 0xff, 0xff}, {2, false, 1.0f, 0.0f}, {4660.0f, 65535.0f}},
        {"16-bit signed", {0xff, 0xff, 0x00, 0x80}, {2, true, 1.0f, 0.0f}, {-1.0f, -32768.0f}},
        {"rescaled", {10, 0}, {2, false, 0.5f, -1024.0f}, {-1019.0f}},
        {"MONOCHROME1: slope and intercept negated", {100}, {1, false, -1.0f, -0.0f}, {-100.0f}},
        {"colour: mean of three bytes", {3, 6, 9, 0, 0, 255}, {3, false, 1.0f, 0.0f}, {6.0f, 85.0f}},
        {"no known sample size: the intercept", {1, 2, 3, 4}, {4, false, 1.0f, 2.0f}, {2.0f}},
    };
    for (const auto& c : cases) {
        std::vector<float> out(c.expected.size(), -7.0f);
        StoredToDisplay(c.stored.data(), static_cast<int>(out.size()), c.format, out.data());
        EXPECT_EQ(out, c.expected) << c.name;
    }
}

// Pieces read row by row from stored samples register exactly as their display planes,
// and only the rows a placement can reach are read: A's last 60 % (and a margin of two
// coarsest blocks), B's first.
TEST(StitchRegister, ReadsOnlyTheRowsAJunctionCanReach)
{
    const overlapstudy::Study study = overlapstudy::Make({.seed = 1, .rows = 480, .columns = 360});
    std::vector<std::vector<uint16_t>> samples;
    for (const CRegPlane& plane : study.planes) {
        std::vector<uint16_t> words(plane.values.size());
        for (size_t i = 0; i < words.size(); ++i)
            words[i] = static_cast<uint16_t>(std::clamp(static_cast<int>(plane.values[i] * 2000.0f), 0, 65535));
        samples.push_back(std::move(words));
    }
    std::vector<CRegPlane> planes = study.planes;
    for (size_t p = 0; p < planes.size(); ++p)
        for (size_t i = 0; i < planes[p].values.size(); ++i)
            planes[p].values[i] = samples[p][i];
    std::mutex guard;
    std::vector<std::pair<int, int>> readRows(2, {1 << 30, -1});  // first and last row read
    auto rowsOf = [&](size_t p) {
        const CRegPlane& plane = planes[p];
        return CRegRows{plane.width, plane.height, plane.contentTop, plane.contentBottom, [&, p](int first, int count, float* out) {
                            const std::lock_guard<std::mutex> lock(guard);
                            readRows[p].first = std::min(readRows[p].first, first);
                            readRows[p].second = std::max(readRows[p].second, first + count - 1);
                            const auto* bytes = reinterpret_cast<const unsigned char*>(&samples[p][static_cast<size_t>(first) * 360]);
                            StoredToDisplay(bytes, count * 360, {2, false, 1.0f, 0.0f}, out);
                        }};
    };
    const CJunction fromRows = RegisterPair(rowsOf(0), rowsOf(1));
    const CJunction fromPlanes = RegisterPair(planes[0], planes[1]);
    ASSERT_TRUE(fromRows.aligned) << JunctionReasonText(fromRows.reason);
    EXPECT_EQ(fromRows.offset, fromPlanes.offset);
    EXPECT_EQ(fromRows.dx, fromPlanes.dx);
    EXPECT_EQ(fromRows.score, fromPlanes.score);
    EXPECT_EQ(fromRows.offset, study.junctions[0].offset);
    // 480 rows: at most 288 overlap; coarsest factor 2, so A from row 188, B to row 291.
    EXPECT_EQ(readRows[0].first, 188);
    EXPECT_EQ(readRows[0].second, 479);
    EXPECT_EQ(readRows[1].first, 0);
    EXPECT_EQ(readRows[1].second, 291);
}

// Building the two pyramids one after the other must not change a figure of the result.
TEST(StitchRegister, OneThreadGivesTheSameJunctionAsTwo)
{
    const overlapstudy::Study study = overlapstudy::Make({.seed = 3, .rows = 480, .columns = 360});
    for (size_t j = 0; j + 1 < study.planes.size(); ++j) {
        SCOPED_TRACE(j);
        const CJunction two = RegisterPair(RowsOf(study.planes[j]), RowsOf(study.planes[j + 1]), ERegThreads::Two);
        const CJunction one = RegisterPair(RowsOf(study.planes[j]), RowsOf(study.planes[j + 1]), ERegThreads::One);
        EXPECT_EQ(one.offset, two.offset);
        EXPECT_EQ(one.dx, two.dx);
        EXPECT_EQ(one.overlap, two.overlap);
        EXPECT_EQ(one.score, two.score);
        EXPECT_EQ(one.margin, two.margin);
        EXPECT_EQ(one.structure, two.structure);
        EXPECT_EQ(one.reason, two.reason);
    }
}

namespace {

// A real image in display values, every row content.
CRegPlane RealPlane(const char* name)
{
    CRegPlane plane;
    const std::filesystem::path path = testfiles::Pydicom(name);
    LBitmap bitmap;
    if (path.empty() || bitmap.Load(path.c_str()) != SUCCESS)
        return plane;
    const int bytes = bitmap.GetBitsPerPixel() / 8;
    plane.width = bitmap.GetWidth();
    plane.height = bitmap.GetHeight();
    plane.contentBottom = plane.height;
    plane.values.resize(static_cast<size_t>(plane.width) * static_cast<size_t>(plane.height));
    std::vector<BYTE> row(static_cast<size_t>(plane.width * bytes));
    for (int r = 0; r < plane.height; ++r) {
        EXPECT_EQ(bitmap.GetRow(row.data(), r, row.size()), SUCCESS);
        StoredToDisplay(row.data(), plane.width, {bytes, bitmap.IsSigned() != FALSE, 1.0f, 0.0f},
                        plane.values.data() + static_cast<size_t>(r) * static_cast<size_t>(plane.width));
    }
    return plane;
}

// An exposure of the image's rows from `top` and columns from `left`, with its own gain
// and its own noise (a deviation of `noise` x the image's value range).
CRegPlane Cut(const CRegPlane& whole, int top, int left, int rows, int columns, float gain, float noise, std::mt19937& draw)
{
    const auto [low, high] = std::minmax_element(whole.values.begin(), whole.values.end());
    std::normal_distribution<float> grain(0.0f, noise * (*high - *low));
    CRegPlane piece;
    piece.width = columns;
    piece.height = rows;
    piece.contentBottom = rows;
    for (int r = top; r < top + rows; ++r) {
        const float* from = whole.Row(r) + left;
        for (int c = 0; c < columns; ++c)
            piece.values.push_back(from[c] * gain + grain(draw));
    }
    return piece;
}

}  // namespace

// Real anatomy (a whole-body bone scan, a CT slice, an 8-bit secondary capture) cut into two
// overlapping exposures with drawn overlaps, sideways shifts and gains, each with its own
// noise: refusing is allowed (noisy soft tissue may not match), a junction
// reported aligned must sit within a pixel of the cut.
TEST(StitchRegister, RealImagesCutIntoExposuresAreNeverPlacedWrongly)
{
    const struct {
        const char* name;
        int rows;     // of each exposure
        int columns;  // of each exposure
        float noise;  // of the value range
        int minAligned;
    } images[] = {
        {"JPEG2000.dcm", 560, 224, 0.01f, 10},
        {"693_J2KI.dcm", 320, 240, 0.003f, 9},
        {"image_dfl.dcm", 320, 240, 0.01f, 11},
    };
    for (const auto& image : images) {
        const CRegPlane whole = RealPlane(image.name);
        if (whole.values.empty())
            GTEST_SKIP() << image.name << " is not installed (python3-pydicom)";
        std::mt19937 draw(11);
        int aligned = 0;
        for (int cut = 0; cut < 12; ++cut) {
            const int reach = whole.height - image.rows;  // the lower exposure's top, at most
            const int offset = std::uniform_int_distribution<int>(image.rows * 55 / 100, std::min(reach, image.rows - 24))(draw);
            const int shiftReach = (whole.width - image.columns) / 2;
            const int left = std::uniform_int_distribution<int>(0, 2 * shiftReach)(draw);
            const int dx = std::uniform_int_distribution<int>(std::max(-left, -image.columns / 12), std::min(2 * shiftReach - left, image.columns / 12))(draw);
            const int top = std::uniform_int_distribution<int>(0, whole.height - image.rows - offset)(draw);
            std::uniform_real_distribution<float> gain(0.85f, 1.15f);
            const CRegPlane upper = Cut(whole, top, left, image.rows, image.columns, gain(draw), image.noise, draw);
            const CRegPlane lower = Cut(whole, top + offset, left + dx, image.rows, image.columns, gain(draw), image.noise, draw);
            const CJunction found = RegisterPair(upper, lower);
            if (!found.aligned)
                continue;
            ++aligned;
            EXPECT_LE(std::abs(found.offset - offset), 1) << image.name << " cut " << cut;
            EXPECT_LE(std::abs(found.dx - dx), 1) << image.name << " cut " << cut;
        }
        EXPECT_GE(aligned, image.minAligned) << image.name;
    }
}
