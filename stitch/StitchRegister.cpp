#include "stitch/StitchRegister.h"

#include "stitch/StitchFeatures.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <future>
#include <map>
#include <memory>
#include <utility>

using stitchreg::Level;
using stitchreg::Sums;

namespace {

constexpr int kMaxCoarseFactor = 16;
constexpr int kMinCoarseRows = 160;   // the coarsest level keeps this much of the shorter piece
constexpr int kDecisionFactor = 4;    // score, margin and structure are judged here (noise averaged)
constexpr int kPeaks = 5;
constexpr int kRefinePixels = 160000;  // sampled per refinement evaluation
constexpr int kBandRows = 8;           // consecutive rows per sampled band
constexpr int kStreamedLevel = 2;      // factor 4: finer levels are read on demand, this one at once
constexpr double kInvalid = -2.0;

struct Placement {
    int offset = 0;
    int dx = 0;
    double score = kInvalid;
};

// The search range in full-resolution pixels.
struct Range {
    int offsetMin = 0;
    int offsetMax = 0;
    int shift = 0;
};

// The levels of one piece, finest first, and the arena that holds their rows.
struct Pyramid {
    std::unique_ptr<stitchreg::RowArena> arena = std::make_unique<stitchreg::RowArena>();
    std::vector<std::unique_ptr<Level>> levels;

    Level& operator[](int k) { return *levels[static_cast<size_t>(k)]; }
};

// Levels finer than kStreamedLevel are lazy: only the rows around the final placement
// are ever read. That level is made in one pass over the source, the coarser ones from it.
Pyramid BuildPyramid(const CRegRows& rows, int firstRow, int lastRow, int levels)
{
    const int streamed = std::min(levels - 1, kStreamedLevel);
    Pyramid pyramid;
    for (int k = 0; k <= streamed; ++k)
        pyramid.levels.push_back(std::make_unique<Level>(rows, 1 << k, firstRow, lastRow, k < streamed, *pyramid.arena));
    for (int k = streamed + 1; k < levels; ++k)
        pyramid.levels.push_back(std::make_unique<Level>(*pyramid.levels.back(), *pyramid.arena));
    return pyramid;
}

// Correlation of B placed at (offset, dx) on A, at one level; rows of the overlap sampled
// evenly up to maxRows. kInvalid when the content overlap is too thin to judge.
enum class Measure { Weaker, Mean, Horizontal, Vertical };

double Score(Level& a, Level& b, int offset, int dx, int maxRows, Measure measure = Measure::Weaker)
{
    const int top = std::max(a.contentTop, b.contentTop + offset);
    const int bottom = std::min(a.contentBottom, b.contentBottom + offset);
    const int rows = bottom - top;
    const int minRows = std::max(2, CRegisterLimits::kMinOverlapRows / a.factor / 2);
    if (rows < minRows)
        return kInvalid;
    const int c0 = std::max(1, 1 - dx);
    const int c1 = std::min(b.width - 1, a.width - 1 - dx);
    if (c1 - c0 < 8)
        return kInvalid;
    // Bands of consecutive rows, one in every `step`, on a grid of A's rows: neighbouring
    // placements sample the same rows of A and mostly the same rows of B, whose features
    // are then made once.
    int step = 1;
    while (rows > maxRows * step)
        step *= 2;
    const int period = step * kBandRows;
    Sums sums;
    for (int band = top / period * period; band < bottom; band += period)
        for (int r = std::max(band, top); r < std::min(band + kBandRows, bottom); ++r)
            stitchreg::AccumulateRow(a.Features(r) + c0 + dx, b.Features(r - offset) + c0, c1 - c0, a.width, b.width, sums);
    double horizontal = 0.0;
    double vertical = 0.0;
    switch (measure) {
    case Measure::Weaker:
        return sums.Correlation();
    case Measure::Mean:
        return sums.Mean();
    case Measure::Horizontal:
        return sums.Directions(&horizontal, &vertical) ? horizontal : 0.0;
    case Measure::Vertical:
        return sums.Directions(&horizontal, &vertical) ? vertical : 0.0;
    }
    return kInvalid;
}

int RefineRows(const Level& level) { return std::max(32, kRefinePixels / std::max(level.width, 1)); }

// One side's sums (SideSums) of every content row, over one window of columns.
std::vector<float> SideTable(Level& level, int firstColumn, int count)
{
    std::vector<float> table(4 * static_cast<size_t>(std::max(level.contentBottom - level.contentTop, 0)));
    for (int r = level.contentTop; r < level.contentBottom; ++r)
        stitchreg::SideSums(level.Features(r) + firstColumn, count, level.width, &table[4 * static_cast<size_t>(r - level.contentTop)]);
    return table;
}

// Score (the weaker direction, every row) of every placement of the coarsest level, offset
// major. Each side's sums are made once per sideways shift, so a placement costs one
// product per pixel instead of five sums.
std::vector<double> CoarseMap(Level& a, Level& b, int offMin, int offs, int shift)
{
    const int cols = 2 * shift + 1;
    std::vector<double> map(static_cast<size_t>(offs) * static_cast<size_t>(cols), kInvalid);
    const int minRows = std::max(2, CRegisterLimits::kMinOverlapRows / a.factor / 2);
    for (int d = 0; d < cols; ++d) {
        const int dx = d - shift;
        const int c0 = std::max(1, 1 - dx);
        const int c1 = std::min(b.width - 1, a.width - 1 - dx);
        if (c1 - c0 < 8)
            continue;
        const std::vector<float> sidesA = SideTable(a, c0 + dx, c1 - c0);
        const std::vector<float> sidesB = SideTable(b, c0, c1 - c0);
        for (int o = 0; o < offs; ++o) {
            const int offset = offMin + o;
            const int top = std::max(a.contentTop, b.contentTop + offset);
            const int bottom = std::min(a.contentBottom, b.contentBottom + offset);
            if (bottom - top < minRows)
                continue;
            Sums sums;
            for (int r = top; r < bottom; ++r) {
                stitchreg::AccumulateProducts(a.Features(r) + c0 + dx, b.Features(r - offset) + c0, c1 - c0, a.width, b.width, sums);
                const float* sideA = &sidesA[4 * static_cast<size_t>(r - a.contentTop)];
                const float* sideB = &sidesB[4 * static_cast<size_t>(r - offset - b.contentTop)];
                for (int ch = 0; ch < 2; ++ch) {
                    sums.a[ch] += sideA[2 * ch];
                    sums.aa[ch] += sideA[2 * ch + 1];
                    sums.b[ch] += sideB[2 * ch];
                    sums.bb[ch] += sideB[2 * ch + 1];
                }
            }
            map[static_cast<size_t>(o) * static_cast<size_t>(cols) + static_cast<size_t>(d)] = sums.Correlation();
        }
    }
    return map;
}

// Every placement of the coarsest level; the best local maxima, apart from each other.
std::vector<Placement> CoarsePeaks(Level& a, Level& b, const Range& range)
{
    const int f = a.factor;
    const int offMin = range.offsetMin / f;
    const int offMax = (range.offsetMax + f - 1) / f;
    const int shift = (range.shift + f - 1) / f;
    const int cols = 2 * shift + 1;
    const int offs = offMax - offMin + 1;
    if (offs <= 0)
        return {};
    const std::vector<double> map = CoarseMap(a, b, offMin, offs, shift);
    auto at = [&](int o, int d) {
        return o < 0 || o >= offs || d < 0 || d >= cols ? kInvalid : map[static_cast<size_t>(o * cols + d)];
    };
    std::vector<Placement> maxima;
    for (int o = 0; o < offs; ++o)
        for (int d = 0; d < cols; ++d) {
            const double s = at(o, d);
            bool isMax = s > kInvalid;
            for (int i = -1; i <= 1 && isMax; ++i)
                for (int j = -1; j <= 1 && isMax; ++j)
                    if ((i || j) && at(o + i, d + j) > s)
                        isMax = false;
            if (isMax)
                maxima.push_back({offMin + o, d - shift, s});
        }
    std::sort(maxima.begin(), maxima.end(), [](const Placement& x, const Placement& y) { return x.score > y.score; });
    std::vector<Placement> peaks;
    for (const Placement& p : maxima) {
        const bool near = std::any_of(peaks.begin(), peaks.end(), [&](const Placement& q) {
            return std::abs(q.offset - p.offset) <= 2 && std::abs(q.dx - p.dx) <= 2;
        });
        if (!near)
            peaks.push_back(p);
        if (static_cast<int>(peaks.size()) == kPeaks)
            break;
    }
    return peaks;
}

// Climbs over 3 x 3 neighbourhoods from `start` until the centre is best.
Placement Climb(Level& a, Level& b, Placement start, const Range& range, Measure measure)
{
    const int f = a.factor;
    const int offMin = range.offsetMin / f - 1;
    const int offMax = (range.offsetMax + f - 1) / f + 1;
    const int shift = (range.shift + f - 1) / f + 1;
    std::map<std::pair<int, int>, double> seen;
    auto score = [&](int o, int d) {
        if (o < offMin || o > offMax || std::abs(d) > shift)
            return kInvalid;
        const auto key = std::make_pair(o, d);
        const auto found = seen.find(key);
        if (found != seen.end())
            return found->second;
        return seen[key] = Score(a, b, o, d, RefineRows(a), measure);
    };
    auto bestAround = [&](const Placement& centre, int radius) {
        Placement best = centre;
        for (int i = -radius; i <= radius; ++i)
            for (int j = -radius; j <= radius; ++j) {
                const double s = score(centre.offset + i, centre.dx + j);
                if (s > best.score)
                    best = {centre.offset + i, centre.dx + j, s};
            }
        return best;
    };
    Placement at = start;
    at.score = score(at.offset, at.dx);
    for (int iteration = 0; iteration < 16; ++iteration) {
        const Placement best = bestAround(at, 1);
        if (best.offset == at.offset && best.dx == at.dx)
            break;
        at = best;
    }
    return at;
}

// At full resolution each coordinate is settled by the direction that measures it: rows
// by the vertical gradient, columns by the horizontal one.
Placement Settle(Level& a, Level& b, Placement p)
{
    constexpr int kReach = 2;
    Placement best = p;
    best.score = kInvalid;
    for (int i = -kReach; i <= kReach; ++i) {
        const double s = Score(a, b, p.offset + i, p.dx, RefineRows(a), Measure::Vertical);
        if (s > best.score)
            best = {p.offset + i, p.dx, s};
    }
    const int offset = best.offset;
    best.score = kInvalid;
    for (int j = -kReach; j <= kReach; ++j) {
        const double s = Score(a, b, offset, p.dx + j, RefineRows(a), Measure::Horizontal);
        if (s > best.score)
            best = {offset, p.dx + j, s};
    }
    return best;
}

Placement Finer(const Placement& p) { return {2 * p.offset, 2 * p.dx, kInvalid}; }

// Refines a placement from level `from` down to level `to` (both indices of the pyramids).
Placement Refine(Pyramid& a, Pyramid& b, Placement p, int from, int to, const Range& range, Measure measure)
{
    for (int k = from - 1; k >= to; --k)
        p = Climb(a[k], b[k], Finer(p), range, measure);
    return p;
}

int LevelCount(int shorterHeight)
{
    int levels = 1;
    while ((1 << levels) <= kMaxCoarseFactor && shorterHeight / (1 << levels) >= kMinCoarseRows)
        ++levels;
    return levels;
}

// Vertical gradient energy of the overlap, relative to the pieces' own, the smaller of A's
// and B's: near 0 where the overlap is flat or holds only vertical lines.
double Structure(Level& a, Level& b, const Placement& p)
{
    const int top = std::max(a.contentTop, b.contentTop + p.offset);
    const int bottom = std::min(a.contentBottom, b.contentBottom + p.offset);
    const double energyA = a.ContentEnergy();
    const double energyB = b.ContentEnergy();
    if (bottom <= top || energyA <= 0.0 || energyB <= 0.0)
        return 0.0;
    return std::min(a.VerticalEnergy(top, bottom) / energyA, b.VerticalEnergy(top - p.offset, bottom - p.offset) / energyB);
}

CJunction Decide(CJunction junction)
{
    if (junction.structure < CRegisterLimits::kMinStructure)
        junction.reason = EJunctionReason::NoStructure;
    else if (junction.score < CRegisterLimits::kMinScore)
        junction.reason = EJunctionReason::LowScore;
    else if (junction.overlap < CRegisterLimits::kMinOverlapRows)
        junction.reason = EJunctionReason::TooSmall;
    else if (junction.margin < CRegisterLimits::kMinMargin)
        junction.reason = EJunctionReason::Ambiguous;
    else if (!junction.steady)
        junction.reason = EJunctionReason::Imprecise;
    else
        junction.reason = EJunctionReason::None;
    junction.aligned = junction.reason == EJunctionReason::None;
    return junction;
}

}  // namespace

const char* JunctionReasonText(EJunctionReason reason)
{
    switch (reason) {
    case EJunctionReason::None:
        return "aligned";
    case EJunctionReason::TooSmall:
        return "overlap too small";
    case EJunctionReason::NoStructure:
        return "overlap without structure";
    case EJunctionReason::LowScore:
        return "overlap does not match";
    case EJunctionReason::Ambiguous:
        return "ambiguous overlap";
    case EJunctionReason::Imprecise:
        return "overlap too faint to place to the pixel";
    }
    return "";
}

CRegRows RowsOf(const CRegPlane& plane)
{
    return {plane.width, plane.height, plane.contentTop, plane.contentBottom, [&plane](int first, int count, float* out) {
                const float* from = plane.Row(first);
                std::copy(from, from + static_cast<size_t>(count) * static_cast<size_t>(plane.width), out);
            }};
}

void StoredToDisplay(const unsigned char* stored, int count, const CRegSampleFormat& format, float* out)
{
    const float scale = format.scale;
    const float shift = format.shift;
    if (format.bytes == 1) {
        for (int i = 0; i < count; ++i)
            out[i] = static_cast<float>(stored[i]) * scale + shift;
    } else if (format.bytes == 2) {
        for (int i = 0; i < count; ++i) {
            uint16_t word;
            std::memcpy(&word, stored + 2 * i, 2);
            const float value = format.isSigned ? static_cast<float>(static_cast<int16_t>(word)) : static_cast<float>(word);
            out[i] = value * scale + shift;
        }
    } else if (format.bytes == 3) {
        for (int i = 0; i < count; ++i)
            out[i] = (stored[3 * i] + stored[3 * i + 1] + stored[3 * i + 2]) / 3.0f * scale + shift;
    } else {
        std::fill(out, out + count, shift);
    }
}

CJunction RegisterPair(const CRegPlane& a, const CRegPlane& b) { return RegisterPair(RowsOf(a), RowsOf(b)); }

CJunction RegisterPair(const CRegRows& a, const CRegRows& b, ERegThreads threads)
{
    CJunction junction;
    const int shorter = std::min(a.height, b.height);
    const int narrower = std::min(a.width, b.width);
    if (shorter < 2 * CRegisterLimits::kMinOverlapRows || narrower < 16)
        return junction;
    const int maxOverlap = static_cast<int>(shorter * CRegisterLimits::kMaxOverlapShare);
    const Range range{a.height - maxOverlap, a.height - CRegisterLimits::kMinOverlapRows,
                      static_cast<int>(narrower * CRegisterLimits::kMaxShiftShare)};
    const int levels = LevelCount(shorter);
    const int coarse = 1 << (levels - 1);
    // Only the rows any placement can bring into the overlap, on block boundaries.
    const int aFirst = std::max(0, a.height - maxOverlap - 2 * coarse) / coarse * coarse;
    const int bLast = std::min(b.height, maxOverlap + 2 * coarse);
    const auto policy = threads == ERegThreads::Two ? std::launch::async : std::launch::deferred;
    auto other = std::async(policy, [&] { return BuildPyramid(a, aFirst, a.height, levels); });
    Pyramid pb = BuildPyramid(b, 0, bLast, levels);
    Pyramid pa = other.get();

    const int top = levels - 1;
    std::vector<Placement> peaks = CoarsePeaks(pa[top], pb[top], range);
    if (peaks.empty())
        return junction;
    int decision = 0;
    while (decision < top && (1 << decision) < kDecisionFactor)
        ++decision;
    for (Placement& p : peaks)
        p = Refine(pa, pb, p, top, decision, range, Measure::Weaker);
    std::sort(peaks.begin(), peaks.end(), [](const Placement& x, const Placement& y) { return x.score > y.score; });
    const Placement best = peaks.front();
    double rival = 0.0;
    for (size_t i = 1; i < peaks.size(); ++i)
        if (std::abs(peaks[i].offset - best.offset) > 1 || std::abs(peaks[i].dx - best.dx) > 1)
            rival = std::max(rival, peaks[i].score);
    Level& da = pa[decision];
    Level& db = pb[decision];
    junction.score = best.score;
    junction.margin = best.score - rival;
    junction.structure = Structure(da, db, best);

    const Placement half = decision > 0 ? Refine(pa, pb, best, decision, 1, range, Measure::Mean) : best;
    const Placement full = decision > 0 ? Refine(pa, pb, half, 1, 0, range, Measure::Mean) : best;
    const Placement final = Settle(pa[0], pb[0], full);
    // Full resolution may only settle the half-resolution placement to the pixel; a
    // drift further than that means the pixels' noise, not the anatomy, chose the rows.
    junction.steady = decision == 0 || (std::abs(final.offset - 2 * half.offset) <= 1 && std::abs(final.dx - 2 * half.dx) <= 1);
    junction.offset = final.offset;
    junction.dx = final.dx;
    junction.overlap = std::max(0, std::min(a.contentBottom, b.contentBottom + final.offset) -
                                       std::max(a.contentTop, b.contentTop + final.offset));
    return Decide(junction);
}
