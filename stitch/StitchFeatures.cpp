#include "stitch/StitchFeatures.h"

#include <algorithm>
#include <cmath>

namespace stitchreg {

namespace {

constexpr int kClipSampleRows = 64;
constexpr float kClipDeviations = 4.0f;

// The correlation's inner loop is built for AVX2 as well and chosen at load time where
// the processor has it; elsewhere the baseline build runs.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VECTOR_CLONES
#endif

int CeilDiv(int value, int divisor) { return (value + divisor - 1) / divisor; }

constexpr int kStreamRows = 4;  // level rows made per read of the source: a small, reused buffer

}  // namespace

// The rows are summed down the columns into the first row, then `factor` neighbours
// across; both loops run over contiguous values, so they vectorise.
VECTOR_CLONES
void BlockMeans(float* rows, int width, int factor, float* out)
{
    for (int k = 1; k < factor; ++k) {
        const float* row = rows + static_cast<size_t>(k) * static_cast<size_t>(width);
        for (int c = 0; c < width; ++c)
            rows[c] += row[c];
    }
    const float scale = 1.0f / static_cast<float>(factor * factor);
    const int means = width / factor;
    if (factor == 4) {
        for (int c = 0; c < means; ++c)
            out[c] = ((rows[4 * c] + rows[4 * c + 1]) + (rows[4 * c + 2] + rows[4 * c + 3])) * scale;
    } else if (factor == 2) {
        for (int c = 0; c < means; ++c)
            out[c] = (rows[2 * c] + rows[2 * c + 1]) * scale;
    } else {
        for (int c = 0; c < means; ++c) {
            float sum = 0.0f;
            for (int i = 0; i < factor; ++i)
                sum += rows[factor * c + i];
            out[c] = sum * scale;
        }
    }
}

Level::Level(const CRegRows& source, int levelFactor, int first, int last, bool lazy, RowArena& arena)
    : factor(levelFactor), width(source.width / levelFactor), height((last - first) / levelFactor),
      firstRow(first / levelFactor), m_source(&source)
{
    m_values.Reset(height, width, arena);
    const int chunk = lazy ? 1 : std::min(kStreamRows, std::max(height, 1));
    m_sourceRows = arena.Take(static_cast<size_t>(chunk) * static_cast<size_t>(factor) * static_cast<size_t>(source.width));
    if (!lazy) {
        for (int r = firstRow; r < firstRow + height; r += chunk) {
            const int rows = std::min(chunk, firstRow + height - r);
            ReadRows(r, rows, m_sourceRows);
        }
        m_source = nullptr;
        m_sourceRows = nullptr;
    }
    AllocateScratch(arena);
    SetContent(source.contentTop, source.contentBottom);
    EstimateClip();
}

Level::Level(const Level& finer, RowArena& arena)
    : factor(finer.factor * 2), width(finer.width / 2), height(finer.height / 2), firstRow(finer.firstRow / 2)
{
    m_values.Reset(height, width, arena);
    for (int r = 0; r < height; ++r) {
        const float* upper = finer.Values(2 * (firstRow + r));
        const float* lower = finer.Values(2 * (firstRow + r) + 1);
        float* out = m_values.Make(r);
        for (int c = 0; c < width; ++c)
            out[c] = 0.25f * (upper[2 * c] + upper[2 * c + 1] + lower[2 * c] + lower[2 * c + 1]);
    }
    AllocateScratch(arena);
    SetContent(finer.m_planeContentTop, finer.m_planeContentBottom);
    EstimateClip();
}

// Makes level rows [first, first + count) from the source through `buffer`, which holds
// count x factor source rows.
void Level::ReadRows(int first, int count, float* buffer)
{
    const size_t sourceWidth = static_cast<size_t>(m_source->width);
    m_source->read(first * factor, count * factor, buffer);
    for (int i = 0; i < count; ++i) {
        float* rows = buffer + static_cast<size_t>(i) * static_cast<size_t>(factor) * sourceWidth;
        BlockMeans(rows, m_source->width, factor, m_values.Make(first + i - firstRow));
    }
}

const float* Level::Values(int r) const { return m_values.Find(r - firstRow); }

// A lazy level keeps no values but the last few rows read: reading a row again is
// cheaper than the first touch of fresh pages to keep it.
const float* Level::ValueRow(int r)
{
    if (m_source == nullptr)
        return Values(r);
    if (const float* kept = m_recentValues.Find(r))
        return kept;
    float* row = m_recentValues.Claim(r);
    if (factor == 1) {  // the source row is the level row: read it into place
        m_source->read(r, 1, row);
        return row;
    }
    m_source->read(r * factor, factor, m_sourceRows);
    BlockMeans(m_sourceRows, m_source->width, factor, row);
    return row;
}

// A level row whose block or whose 5 x 5 neighbourhood reaches a band row is no content.
void Level::SetContent(int planeContentTop, int planeContentBottom)
{
    m_planeContentTop = planeContentTop;
    m_planeContentBottom = planeContentBottom;
    contentTop = std::max(CeilDiv(planeContentTop, factor) + 2, firstRow + 2);
    contentBottom = std::min(planeContentBottom / factor - 2, firstRow + height - 2);
    if (contentBottom < contentTop)
        contentBottom = contentTop;
}

// A [1 2 1] blur across and along, so pixel noise does not drown the gradient.
VECTOR_CLONES
void BlurRow(const float* __restrict up, const float* __restrict mid, const float* __restrict down,
             float* __restrict column, float* __restrict out, int width)
{
    for (int c = 0; c < width; ++c)
        column[c] = up[c] + 2.0f * mid[c] + down[c];
    out[0] = 4.0f * column[0];
    for (int c = 1; c < width - 1; ++c)
        out[c] = column[c - 1] + 2.0f * column[c] + column[c + 1];
    if (width > 1)
        out[width - 1] = 4.0f * column[width - 1];
}

// Sobel gradients of three blurred rows, clipped to [-clip, clip].
VECTOR_CLONES
void SobelRow(const float* __restrict up, const float* __restrict mid, const float* __restrict down,
              float* __restrict gx, float* __restrict gy, int width, float clip)
{
    gx[0] = gy[0] = 0.0f;
    for (int c = 1; c < width - 1; ++c) {
        const float x = (up[c + 1] - up[c - 1]) + 2.0f * (mid[c + 1] - mid[c - 1]) + (down[c + 1] - down[c - 1]);
        const float y = (down[c - 1] - up[c - 1]) + 2.0f * (down[c] - up[c]) + (down[c + 1] - up[c + 1]);
        gx[c] = std::min(std::max(x, -clip), clip);
        gy[c] = std::min(std::max(y, -clip), clip);
    }
    if (width > 1)
        gx[width - 1] = gy[width - 1] = 0.0f;
}

const float* Level::BlurredRow(int r)
{
    if (const float* kept = m_recentBlurred.Find(r))
        return kept;
    const float* up = ValueRow(r - 1);
    const float* mid = ValueRow(r);
    const float* down = ValueRow(r + 1);
    float* out = m_recentBlurred.Claim(r);
    BlurRow(up, mid, down, m_column.data(), out, width);
    return out;
}

// The clip of 4 deviations keeps a few strong edges (a plate, a collimator corner) from
// deciding the correlation alone. Only the features are kept; value and blurred rows live
// in small rings, which the next row of a band mostly reuses.
void Level::ComputeFeatures(int r, float* out)
{
    if (m_clip <= 0.0f) {
        std::fill(out, out + 2 * width, 0.0f);
        return;
    }
    const float* up = BlurredRow(r - 1);
    const float* mid = BlurredRow(r);
    const float* down = BlurredRow(r + 1);
    SobelRow(up, mid, down, out, out + width, width, m_clip);
}

void Level::EstimateClip()
{
    const int rows = contentBottom - contentTop;
    if (rows <= 0 || width < 3) {
        m_clip = 0.0f;
        return;
    }
    m_clip = 1e30f;  // unclipped while sampling
    const int step = std::max(1, rows / kClipSampleRows);
    std::vector<float> row(static_cast<size_t>(2 * width));
    double squares = 0.0;
    double count = 0.0;
    for (int r = contentTop; r < contentBottom; r += step) {
        ComputeFeatures(r, row.data());
        squares += SquareSum(row.data(), 2 * width);
        count += 2.0 * (width - 2);
    }
    m_clip = count > 0.0 ? kClipDeviations * static_cast<float>(std::sqrt(squares / count)) : 0.0f;
}

const float* Level::Features(int r)
{
    float* row = m_features.Find(r - firstRow);
    if (row == nullptr) {
        row = m_features.Make(r - firstRow);
        ComputeFeatures(r, row);
    }
    return row;
}

void Level::AllocateScratch(RowArena& arena)
{
    // Rows are made on first use: most full-resolution rows are never read at all.
    m_features.Reset(height, 2 * width, arena);
    m_column.resize(static_cast<size_t>(width));
    if (m_source != nullptr)
        m_recentValues.Reset(kRecentValues, width, arena);
    m_recentBlurred.Reset(kRecentBlurred, width, arena);
}

// Rows no score has made are computed into scratch and not kept: the content energy
// reads every content row once, most of them outside the overlap, and keeping them would
// only touch fresh pages.
double Level::VerticalEnergy(int top, int bottom)
{
    std::vector<float> scratch;
    double squares = 0.0;
    double count = 0.0;
    for (int r = std::max(top, contentTop); r < std::min(bottom, contentBottom); ++r) {
        const float* row = m_features.Find(r - firstRow);
        if (row == nullptr) {
            scratch.resize(static_cast<size_t>(2 * width));
            ComputeFeatures(r, scratch.data());
            row = scratch.data();
        }
        squares += SquareSum(row + width + 1, width - 2);
        count += width - 2;
    }
    return count > 0.0 ? squares / count : 0.0;
}

double Level::ContentEnergy()
{
    if (m_contentEnergy < 0.0)
        m_contentEnergy = VerticalEnergy(contentTop, contentBottom);
    return m_contentEnergy;
}

bool Sums::Directions(double* horizontal, double* vertical) const
{
    double ncc[2] = {0.0, 0.0};
    if (n < 2.0)
        return false;
    for (int ch = 0; ch < 2; ++ch) {
        const double cross = ab[ch] - a[ch] * b[ch] / n;
        const double varA = aa[ch] - a[ch] * a[ch] / n;
        const double varB = bb[ch] - b[ch] * b[ch] / n;
        if (varA <= 1e-12 || varB <= 1e-12)
            return false;
        ncc[ch] = cross / std::sqrt(varA * varB);
    }
    *horizontal = ncc[0];
    *vertical = ncc[1];
    return true;
}

double Sums::Correlation() const
{
    double horizontal = 0.0;
    double vertical = 0.0;
    return Directions(&horizontal, &vertical) ? std::min(horizontal, vertical) : 0.0;
}

double Sums::Mean() const
{
    double horizontal = 0.0;
    double vertical = 0.0;
    return Directions(&horizontal, &vertical) ? 0.5 * (horizontal + vertical) : 0.0;
}

VECTOR_CLONES
void AccumulateRow(const float* a, const float* b, int count, int widthA, int widthB, Sums& sums)
{
    for (int ch = 0; ch < 2; ++ch) {
        const float* pa = a + ch * widthA;
        const float* pb = b + ch * widthB;
        float sa = 0.0f, sb = 0.0f, saa = 0.0f, sbb = 0.0f, sab = 0.0f;
#pragma omp simd reduction(+ : sa, sb, saa, sbb, sab)
        for (int c = 0; c < count; ++c) {
            const float x = pa[c];
            const float y = pb[c];
            sa += x;
            sb += y;
            saa += x * x;
            sbb += y * y;
            sab += x * y;
        }
        sums.a[ch] += sa;
        sums.b[ch] += sb;
        sums.aa[ch] += saa;
        sums.bb[ch] += sbb;
        sums.ab[ch] += sab;
    }
    sums.n += count;
}

VECTOR_CLONES
void AccumulateProducts(const float* a, const float* b, int count, int widthA, int widthB, Sums& sums)
{
    for (int ch = 0; ch < 2; ++ch) {
        const float* pa = a + ch * widthA;
        const float* pb = b + ch * widthB;
        float sab = 0.0f;
#pragma omp simd reduction(+ : sab)
        for (int c = 0; c < count; ++c)
            sab += pa[c] * pb[c];
        sums.ab[ch] += sab;
    }
    sums.n += count;
}

VECTOR_CLONES
double SquareSum(const float* values, int count)
{
    float squares = 0.0f;
#pragma omp simd reduction(+ : squares)
    for (int c = 0; c < count; ++c)
        squares += values[c] * values[c];
    return squares;
}

VECTOR_CLONES
void SideSums(const float* features, int count, int width, float* out)
{
    for (int ch = 0; ch < 2; ++ch) {
        const float* p = features + ch * width;
        float sum = 0.0f, squares = 0.0f;
#pragma omp simd reduction(+ : sum, squares)
        for (int c = 0; c < count; ++c) {
            sum += p[c];
            squares += p[c] * p[c];
        }
        out[2 * ch] = sum;
        out[2 * ch + 1] = squares;
    }
}

}  // namespace stitchreg
