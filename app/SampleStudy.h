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
};

// Where one exposure sits in the body and how tall its collimator bands are (rows).
struct PieceLayout {
    int bodyTop = 0;
    int topBand = 0;
    int bottomBand = 0;
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
ValueScale ValuesFor(const SampleOptions& options);
// The transfer syntax UID of a choice.
const char* SyntaxUID(Syntax syntax);

// Writes piece-1.dcm .. piece-N.dcm into `dir` (created when missing). Empty on success,
// else the reason; on failure no file of this run is left behind.
std::string WriteSampleStudy(const SampleOptions& options, const std::filesystem::path& dir);

}  // namespace sample
