// The values the stitching model hands back: what a command changed, why a load failed,
// and what a save wrote.
#pragma once

#include "output/StitchOutcome.h"

#include <string>
#include <vector>

// What a command changed, as bits: the view redraws only what it has to.
enum class EChange : unsigned {
    None = 0,
    Layout = 1u << 0,     // a source rectangle (kept rows or sideways shift)
    Selection = 1u << 1,  // the selected piece
    Crop = 1u << 2,       // the crop rectangle
    Order = 1u << 3,      // the stitching order (every rectangle is then whole again)
};

constexpr EChange operator|(EChange a, EChange b)
{
    return static_cast<EChange>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr EChange& operator|=(EChange& a, EChange b) { return a = a | b; }
constexpr bool HasChange(EChange changes, EChange which)
{
    return (static_cast<unsigned>(changes) & static_cast<unsigned>(which)) != 0;
}

enum class ELoadFailure {
    None,
    NoSources,      // nothing to load
    Unreadable,     // a file that does not load as a source image (the library's reason kept)
    BitmapCopy,     // a bitmap of the list that cannot be copied
    Inconsistent,   // the files may not be stitched together (the gate's line in detail)
};

struct CStitchLoadResult {
    ELoadFailure failure = ELoadFailure::None;
    int failedIndex = -1;  // the source that failed, in the order given
    std::string detail;    // the decoder's or data set's own words, when it gave any
    bool Ok() const { return failure == ELoadFailure::None; }
};

// Per piece, in stitching order: whether its rows reached the written image.
struct CPieceOutcome {
    bool used = false;
    EPieceFailure failure = EPieceFailure::None;  // None for a used piece or one cropped away
};

struct CStitchSaveResult {
    bool written = false;
    std::string path;            // the file written (empty when nothing was)
    ESaveFailure failure = ESaveFailure::None;
    std::string detail;          // the library's words for a failed write
    int columns = 0;             // the written image
    int rows = 0;
    std::vector<int> pieceRows;  // rows each piece contributed before the crop
    std::vector<CPieceOutcome> pieces;

    int LeftOutCount() const
    {
        int count = 0;
        for (const CPieceOutcome& piece : pieces)
            count += piece.failure != EPieceFailure::None;
        return count;
    }
};
