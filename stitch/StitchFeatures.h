// The pyramid levels and gradient features the registration compares. Internal to the
// registration: StitchRegister.cpp and StitchFeatures.cpp only.
#pragma once

#include "stitch/StitchRegister.h"

#include <memory>
#include <vector>

namespace stitchreg {

// One level of the block-mean pyramid over a band of a piece's rows. Rows are numbered
// in the level's own units over the whole piece: level row r covers full rows
// [r x factor, (r + 1) x factor); the level stores rows [firstRow, firstRow + height).
class Level {
public:
    // The full-resolution level over rows [firstRow, lastRow) of the plane (no copy).
    Level(const CRegPlane& plane, int firstRow, int lastRow);
    // Half the size of `finer` in both directions, block means of 2 x 2.
    explicit Level(const Level& finer, int /*halve*/);

    int factor = 1;
    int width = 0;
    int height = 0;
    int firstRow = 0;
    // Rows whose features touch neither a band nor the stored band's edge.
    int contentTop = 0;
    int contentBottom = 0;

    const float* Values(int r) const;
    // gx in [0, width), gy in [width, 2 width), clipped at 4 standard deviations; columns
    // 0 and width - 1 are zero. Computed once per row, on first use.
    const float* Features(int r);
    bool HasContent(int r) const { return r >= contentTop && r < contentBottom; }
    // Mean squared vertical gradient over rows [top, bottom), and over every content row.
    double VerticalEnergy(int top, int bottom);
    double ContentEnergy();

private:
    void SetContent(int planeContentTop, int planeContentBottom);
    void EstimateClip();
    void AllocateScratch();
    void BlurredRow(int r, float* out);
    const float* Blurred(int r);
    void ComputeFeatures(int r, float* out);

    const CRegPlane* m_plane = nullptr;  // level 0 reads the plane in place
    std::vector<std::unique_ptr<float[]>> m_values;  // one block per row: heap, not fresh pages
    std::vector<std::unique_ptr<float[]>> m_features;  // 2 x width per stored row, or null
    std::vector<float> m_column;   // scratch of the blur
    std::vector<std::unique_ptr<float[]>> m_blurred;  // width per stored row, or null
    float m_clip = 0.0f;
    double m_contentEnergy = -1.0;
    int m_planeContentTop = 0;
    int m_planeContentBottom = 0;
};

// Sums of the masked zero-mean cross-correlation of two feature sets.
struct Sums {
    double n = 0.0;
    double a[2] = {0.0, 0.0};
    double b[2] = {0.0, 0.0};
    double aa[2] = {0.0, 0.0};
    double bb[2] = {0.0, 0.0};
    double ab[2] = {0.0, 0.0};
    // The weaker of the two directions' correlations, -1..1; 0 when either side of either
    // direction holds no variation. Vertical lines (long bones) match at every height in
    // the horizontal gradient: only a placement both directions agree on scores high.
    double Correlation() const;
    // Their mean: smoother than the weaker one, the measure that places to the pixel.
    double Mean() const;
    bool Directions(double* horizontal, double* vertical) const;
};

// Adds `count` columns of one row pair: a from its column 0, b from its column 0.
void AccumulateRow(const float* a, const float* b, int count, int width_a, int width_b, Sums& sums);

}  // namespace stitchreg
