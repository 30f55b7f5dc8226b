// Writes a synthetic long-length study: N overlapping exposures of one procedural body,
// each with featureless collimator bands of its own heights at the top and bottom.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace sample {

enum class Syntax { Raw, JpegLossless, JpegLs, Rle };

// What a sample may ask for: rows and columns of each piece, and pieces.
constexpr int kMinSide = 16;
constexpr int kMaxSide = 10000;
constexpr int kMaxPieces = 50;

struct SampleOptions {
    int rows = 1400;
    int columns = 1000;
    int pieces = 3;
    int bitsAllocated = 16;  // 16 (12 stored) or 8
    bool isSigned = false;
    bool monochrome1 = false;
    Syntax syntax = Syntax::Raw;
    // Registration test material; all off by default, which keeps the fixed study.
    unsigned seed = 1;            // draws of the options below
    bool randomOverlaps = false;  // each junction overlaps by 16 to 40 % of the rows
    int maxShift = 0;             // each piece shifted sideways by up to this many columns
    double gainSpread = 0.0;      // each piece's contrast scaled by 1 +- up to this
    double noise = 0.0;           // each piece's own noise, a share of the value range
    int featureless = 0;          // this junction (from 1) overlaps flat, featureless anatomy
};

// Where one exposure sits in the body and how tall its collimator bands are (rows).
struct PieceLayout {
    int bodyTop = 0;
    int topBand = 0;
    int bottomBand = 0;
    int bodyLeft = 0;    // body column of the piece's column 0
    double gain = 1.0;
    double noise = 0.0;
    int flatTop = 0;     // body rows [flatTop, flatBottom) are flat (--featureless)
    int flatBottom = 0;
};

// Stored values used by one sample: anatomy spans [anatomyLow, anatomyHigh]; the
// collimator holds the representable extreme that displays bright.
struct ValueScale {
    int anatomyLow = 0;
    int anatomyHigh = 0;
    int collimator = 0;
};

// A reason when the options cannot make a study, else empty.
std::string ValidateOptions(const SampleOptions& options);
std::vector<PieceLayout> LayoutPieces(const SampleOptions& options);
// Rows of the whole body the pieces are cut from.
int BodyHeight(const SampleOptions& options);
// Columns of the body: the pieces' plus room for their shifts.
int BodyWidth(const SampleOptions& options);
// truth.json: per junction the row of the upper piece that the lower piece's row 0 shows
// (offset) and dx (the lower piece's column c shows the upper one's column c + dx).
std::string TruthJson(const SampleOptions& options);
ValueScale ValuesFor(const SampleOptions& options);
// The transfer syntax UID of a choice.
const char* SyntaxUID(Syntax syntax);

// Writes piece-1.dcm .. piece-N.dcm into `dir` (created when missing). Empty on success,
// else the reason; on failure no file of this run is left behind.
std::string WriteSampleStudy(const SampleOptions& options, const std::filesystem::path& dir);

}  // namespace sample
