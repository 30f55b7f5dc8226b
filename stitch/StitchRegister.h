// Registration of two vertically adjacent exposures (A above B): where B's rows and
// columns land on A's, and how sure the pixels make us of it.
//
// Only content counts: rows outside a piece's content band (its collimated bands), and
// areas without gradient (constant or saturated), add nothing to the score. Features are
// the image gradient (horizontal and vertical) of a block-mean pyramid, clipped at four
// standard deviations, compared by zero-mean normalised cross-correlation: exhaustively at
// the coarsest level, then each of the best peaks refined level by level; the position is
// decided at full resolution.
//
// A junction is aligned only when the overlap holds vertical structure, the correlation is
// high and no rival placement comes close; otherwise it carries the reason and callers
// keep their trim-only placement. A wrong placement reported as aligned is the one outcome
// the thresholds are set against.
#pragma once

#include <functional>
#include <string>
#include <vector>

// One piece in display values (larger = brighter, any linear scale), row by row.
struct CRegPlane {
    int width = 0;
    int height = 0;
    std::vector<float> values;  // width x height
    // Rows [contentTop, contentBottom) hold content; the rest is collimated band.
    int contentTop = 0;
    int contentBottom = 0;

    const float* Row(int r) const { return values.data() + static_cast<size_t>(r) * static_cast<size_t>(width); }
};

// A piece as the registration reads it: only the rows a placement can reach are read, on
// demand, so no display copy of the whole piece is ever made. `read` writes `count` rows
// from `first` (width values each, display values as in CRegPlane); it is called from
// several threads at once and must be safe for that.
struct CRegRows {
    int width = 0;
    int height = 0;
    int contentTop = 0;
    int contentBottom = 0;
    std::function<void(int first, int count, float* out)> read;
};

// Reads the plane in place; the plane must outlive the result.
CRegRows RowsOf(const CRegPlane& plane);

// How stored samples become display values: stored x scale + shift. Samples of 1 byte,
// of 2 bytes (two's complement when isSigned) or of 3 bytes (their mean).
struct CRegSampleFormat {
    int bytes = 2;
    bool isSigned = false;
    float scale = 1.0f;
    float shift = 0.0f;
};
void StoredToDisplay(const unsigned char* stored, int count, const CRegSampleFormat& format, float* out);

enum class EJunctionReason {
    None,            // aligned
    TooSmall,        // the pieces cannot overlap by enough content rows
    NoStructure,     // the overlap holds no structure along the vertical direction
    LowScore,        // the best placement correlates too weakly
    Ambiguous,       // another placement correlates almost as well
    Imprecise,       // full resolution drifts from the half-resolution placement
};

// The words used on stderr, in --json and in the dialog's status text.
const char* JunctionReasonText(EJunctionReason reason);

struct CJunction {
    int offset = 0;        // the row of A that B's row 0 shows
    int dx = 0;            // B's column c shows A's column c + dx
    int overlap = 0;       // content rows both pieces show at the placement found
    double score = 0.0;    // correlation of the features at the placement, -1..1
    double margin = 0.0;   // score minus the best rival placement's
    double structure = 0.0;  // vertical structure of the overlap relative to the pieces'
    bool steady = false;     // full resolution only settled the half-resolution placement
    bool aligned = false;
    EJunctionReason reason = EJunctionReason::TooSmall;
};

// The limits of the search and the thresholds of the confidence rule.
struct CRegisterLimits {
    static constexpr int kMinOverlapRows = 16;        // smallest overlap searched
    static constexpr double kMaxOverlapShare = 0.60;  // of the shorter piece's height
    static constexpr double kMaxShiftShare = 0.10;    // |dx| limit, of the narrower width
    static constexpr double kMinScore = 0.45;
    static constexpr double kMinMargin = 0.05;
    static constexpr double kMinStructure = 0.12;
};

// Whether a registration builds its two pyramids on two threads. Callers that already run
// as many registrations at once as there are cores ask for one: more threads than cores
// only add switching and cache misses. The result is the same either way.
enum class ERegThreads { Two, One };

// Registers B below A. Deterministic; safe to call from several threads at once.
CJunction RegisterPair(const CRegRows& a, const CRegRows& b, ERegThreads threads = ERegThreads::Two);
CJunction RegisterPair(const CRegPlane& a, const CRegPlane& b);
