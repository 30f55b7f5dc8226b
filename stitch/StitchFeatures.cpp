#include "stitch/StitchFeatures.h"

#include <algorithm>
#include <cmath>

namespace stitchreg {

namespace {

constexpr int kClipSampleRows = 64;
constexpr float kClipDeviations = 4.0f;

int CeilDiv(int value, int divisor) { return (value + divisor - 1) / divisor; }

}  // namespace

Level::Level(const CRegPlane& plane, int first, int last)
    : factor(1), width(plane.width), height(last - first), firstRow(first), m_plane(&plane)
{
    AllocateScratch();
    SetContent(plane.contentTop, plane.contentBottom);
    EstimateClip();
}

Level::Level(const Level& finer, int)
    : factor(finer.factor * 2), width(finer.width / 2), height(finer.height / 2), firstRow(finer.firstRow / 2)
{
    m_values.resize(static_cast<size_t>(height));
    for (int r = 0; r < height; ++r) {
        m_values[static_cast<size_t>(r)] = std::make_unique_for_overwrite<float[]>(static_cast<size_t>(width));
        const float* upper = finer.Values(2 * (firstRow + r));
        const float* lower = finer.Values(2 * (firstRow + r) + 1);
        float* out = m_values[static_cast<size_t>(r)].get();
        for (int c = 0; c < width; ++c)
            out[c] = 0.25f * (upper[2 * c] + upper[2 * c + 1] + lower[2 * c] + lower[2 * c + 1]);
    }
    AllocateScratch();
    SetContent(finer.m_planeContentTop, finer.m_planeContentBottom);
    EstimateClip();
}

const float* Level::Values(int r) const
{
    if (m_plane != nullptr)
        return m_plane->Row(r);
    return m_values[static_cast<size_t>(r - firstRow)].get();
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
const float* Level::Blurred(int r)
{
    std::unique_ptr<float[]>& row = m_blurred[static_cast<size_t>(r - firstRow)];
    if (!row) {
        row = std::make_unique_for_overwrite<float[]>(static_cast<size_t>(width));
        BlurredRow(r, row.get());
    }
    return row.get();
}

void Level::BlurredRow(int r, float* out)
{
    const float* up = Values(r - 1);
    const float* mid = Values(r);
    const float* down = Values(r + 1);
    float* column = m_column.data();
    for (int c = 0; c < width; ++c)
        column[c] = up[c] + 2.0f * mid[c] + down[c];
    out[0] = 4.0f * column[0];
    for (int c = 1; c < width - 1; ++c)
        out[c] = column[c - 1] + 2.0f * column[c] + column[c + 1];
    if (width > 1)
        out[width - 1] = 4.0f * column[width - 1];
}

// Sobel gradients of the blurred rows; the clip of 4 deviations keeps a few strong edges
// (a plate, a collimator corner) from deciding the correlation alone.
void Level::ComputeFeatures(int r, float* out)
{
    // Neighbouring placements ask for neighbouring rows: each blurred row is made once.
    const float* up = Blurred(r - 1);
    const float* mid = Blurred(r);
    const float* down = Blurred(r + 1);
    float* gx = out;
    float* gy = out + width;
    gx[0] = gy[0] = 0.0f;
    for (int c = 1; c < width - 1; ++c) {
        gx[c] = (up[c + 1] - up[c - 1]) + 2.0f * (mid[c + 1] - mid[c - 1]) + (down[c + 1] - down[c - 1]);
        gy[c] = (down[c - 1] - up[c - 1]) + 2.0f * (down[c] - up[c]) + (down[c + 1] - up[c + 1]);
    }
    if (width > 1)
        gx[width - 1] = gy[width - 1] = 0.0f;
    if (m_clip <= 0.0f) {
        std::fill(out, out + 2 * width, 0.0f);
        return;
    }
    const float clip = m_clip;
    for (int c = 0; c < 2 * width; ++c)
        out[c] = std::min(std::max(out[c], -clip), clip);
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
        for (float v : row)
            squares += static_cast<double>(v) * v;
        count += 2.0 * (width - 2);
    }
    m_clip = count > 0.0 ? kClipDeviations * static_cast<float>(std::sqrt(squares / count)) : 0.0f;
}

const float* Level::Features(int r)
{
    std::unique_ptr<float[]>& row = m_features[static_cast<size_t>(r - firstRow)];
    if (!row) {
        row = std::make_unique_for_overwrite<float[]>(2 * static_cast<size_t>(width));
        ComputeFeatures(r, row.get());
    }
    return row.get();
}

void Level::AllocateScratch()
{
    const size_t rows = static_cast<size_t>(std::max(height, 0));
    // Rows are made on first use: most full-resolution rows are never read at all, and
    // row-sized blocks come from the heap, not from fresh pages of one huge block.
    m_features.resize(rows);
    m_column.resize(static_cast<size_t>(width));
    m_blurred.resize(rows);
}

double Level::VerticalEnergy(int top, int bottom)
{
    double squares = 0.0;
    double count = 0.0;
    for (int r = std::max(top, contentTop); r < std::min(bottom, contentBottom); ++r) {
        const float* gy = Features(r) + width;
        for (int c = 1; c < width - 1; ++c)
            squares += static_cast<double>(gy[c]) * gy[c];
        count += width - 2;
    }
    return count > 0.0 ? squares / count : 0.0;
}

double Level::ContentEnergy()
{
    if (m_contentEnergy >= 0.0)
        return m_contentEnergy;
    double squares = 0.0;
    double count = 0.0;
    for (int r = contentTop; r < contentBottom; ++r) {
        const float* gy = Features(r) + width;
        for (int c = 1; c < width - 1; ++c)
            squares += static_cast<double>(gy[c]) * gy[c];
        count += width - 2;
    }
    m_contentEnergy = count > 0.0 ? squares / count : 0.0;
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

}  // namespace stitchreg
