// The pyramid levels and gradient features the registration compares. Internal to the
// registration: StitchRegister.cpp and StitchFeatures.cpp only.
#pragma once

#include "stitch/StitchRegister.h"
#include "stitch/StitchRowStore.h"

#include <memory>
#include <vector>

namespace stitchreg {

// One level of the block-mean pyramid over a band of a piece's rows. Rows are numbered
// in the level's own units over the whole piece: level row r covers full rows
// [r x factor, (r + 1) x factor); the level stores rows [firstRow, firstRow + height).
class Level {
public:
    // Rows [first, last) of the source (full rows, multiples of factor) as block means of
    // factor x factor. Lazy: each row is read from the source on first use, for the fine
    // levels, of which a placement reads a few rows only. Otherwise every row is made at
    // once, streaming the source through a buffer of a few rows.
    // Rows are kept in `arena`, which must outlive the level.
    Level(const CRegRows& source, int factor, int first, int last, bool lazy, RowArena& arena);
    // Half the size of `finer` in both directions, block means of 2 x 2.
    Level(const Level& finer, RowArena& arena);

    int factor = 1;
    int width = 0;
    int height = 0;
    int firstRow = 0;
    // Rows whose features touch neither a band nor the stored band's edge.
    int contentTop = 0;
    int contentBottom = 0;

    // A row of a level made at once (not lazy).
    const float* Values(int r) const;
    // gx in [0, width), gy in [width, 2 width), clipped at 4 standard deviations; columns
    // 0 and width - 1 are zero. Computed once per row, on first use.
    const float* Features(int r);
    // Mean squared vertical gradient over rows [top, bottom), and over every content row.
    double VerticalEnergy(int top, int bottom);
    double ContentEnergy();

private:
    void ReadRows(int first, int count, float* out);
    void SetContent(int planeContentTop, int planeContentBottom);
    void EstimateClip();
    void AllocateScratch(RowArena& arena);
    static constexpr int kRecentValues = 8;   // a feature row reads 5 value rows
    static constexpr int kRecentBlurred = 4;  // and 3 blurred rows
    const float* ValueRow(int r);
    const float* BlurredRow(int r);
    void ComputeFeatures(int r, float* out);

    const CRegRows* m_source = nullptr;  // read on demand by a lazy level
    float* m_sourceRows = nullptr;       // scratch: the source rows of one level row (or a few)
    RowStore m_values;    // width per stored row, unless lazy
    RowStore m_features;  // 2 x width per stored row
    std::vector<float> m_column;  // scratch of the blur
    RowRing m_recentValues;   // of a lazy level
    RowRing m_recentBlurred;
    float m_clip = 0.0f;
    double m_contentEnergy = -1.0;
    int m_planeContentTop = 0;
    int m_planeContentBottom = 0;
};

// Block means of factor x factor: `rows` holds `factor` consecutive rows of `width`
// values and is overwritten; the width / factor means are written to `out`.
void BlockMeans(float* rows, int width, int factor, float* out);

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

// The cross products alone (sums.ab and sums.n) of the same columns as AccumulateRow.
void AccumulateProducts(const float* a, const float* b, int count, int widthA, int widthB, Sums& sums);
// One side's sum and sum of squares over `count` columns from `features`: out[0], out[1]
// for gx, out[2], out[3] for gy (the features row is `width` values per direction).
void SideSums(const float* features, int count, int width, float* out);
// The sum of squares of `count` values (summed in single precision, as the scores are).
double SquareSum(const float* values, int count);

}  // namespace stitchreg
