// Registration of adjacent exposures on generated studies with known placement: every
// junction reported aligned is within one pixel of the truth, nearly all textured
// junctions are aligned, and overlaps that do not pin the placement down are refused.
#include "stitch/StitchRegister.h"

#include "tests/support/OverlapStudy.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
