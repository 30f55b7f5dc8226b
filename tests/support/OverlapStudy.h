// Overlapping exposures of a random textured body with known placement: the test and
// benchmark material of the registration. Independent of the program's own sample body,
// so the registration is not tuned to one picture.
#pragma once

#include "stitch/StitchRegister.h"

#include <cstdint>
#include <vector>

namespace overlapstudy {

struct Options {
    uint32_t seed = 1;
    int pieces = 2;
    int rows = 480;
    int columns = 360;
    double overlapMin = 0.10;    // share of the rows, drawn per junction
    double overlapMax = 0.40;
    double shiftMax = 0.05;      // |dx| limit, share of the width, drawn per piece
    int bandMax = 24;            // collimated rows drawn per edge, 0..bandMax
    double noise = 0.01;         // standard deviation, body brightness units
    int featurelessJunction = -1;  // this junction's overlap (and a margin) is flat
    int forcedOverlap = 0;       // when > 0, every overlap is exactly this many rows
    int gainSign = 1;            // -1: darker where denser, as MONOCHROME1 stores it
};

struct Truth {
    int offset = 0;
    int dx = 0;
};

struct Study {
    std::vector<CRegPlane> planes;  // with contentTop / contentBottom set from the bands
    std::vector<Truth> junctions;
    std::vector<int> bodyTop;       // body row of each piece's row 0
    std::vector<int> bodyShift;     // body column of each piece's column 0
};

Study Make(const Options& options);

}  // namespace overlapstudy
