// The trim rule of the automatic pass: in the first and last rows of a piece, the band of
// rows whose values hardly vary (the collimated edge) is found and cut away.
#pragma once

#include "platform/Geometry.h"

class CBaseImage;

class CStitchTrim {
public:
    // Rows examined at the top and at the bottom of every piece.
    static constexpr int ANALYSIS_ROWS = 400;
    enum Direction { Top = 0, Bottom = 1 };

    // The edge of the detailed region within one band of packed rows (width x bits / 8
    // bytes each): for Top the first detailed row, for Bottom rows - index + 1 where index
    // is the last detailed row; -1 when no row stands out. Samples: stored values of 8 or
    // 16 bits (two's complement only when isSigned), the mean of three bytes for 24, 0
    // otherwise. Reading unsigned words as signed would wrap bright anatomy negative.
    static int FindContentEdge(const unsigned char* samples, int width, int rows, int bitsPerPixel, int direction,
                               bool isSigned = false);
    // The population standard deviation of the values.
    static double RowDeviation(const int* values, int count);

    // Sets rc from the piece's own pixels: left 0, right the width, top and bottom where
    // an edge is found. A piece shorter than the band is examined over its rows; a result
    // that would keep no row leaves top and bottom as they were.
    static void TrimRect(CBaseImage& source, CRect& rc);
};
