// The stitching model: the ordered pieces, each with its source rectangle, the selection,
// the crop in pixels of the stitched image, and the commands that change them. It owns
// no window: the dialog's view draws it and forwards keys and toolbar commands to it, and
// windowless callers (tessor stitch) drive it directly.
//
// A source rectangle is in pixels of its piece: left is the sideways shift (positive moves
// the picture left), top the first kept row, right the piece's width, bottom the row after
// the last kept one. Every command leaves 0 <= top < bottom <= height.
#pragma once

#include "platform/Collections.h"
#include "platform/Geometry.h"
#include "stitch/StitchRegister.h"
#include "stitch/StitchTypes.h"

#include <memory>
#include <string>
#include <vector>

class CBaseImageData;
class LBitmapList;

class CStitchModel {
public:
    CStitchModel();
    ~CStitchModel();
    CStitchModel(const CStitchModel&) = delete;
    CStitchModel& operator=(const CStitchModel&) = delete;

    // Reads every file as a source image, in order; stops at the first that fails (the
    // ones read before it stay). Every rectangle starts whole. Files that may not be
    // stitched together (stitchgate::CheckFiles, with the template when it is another
    // file) are refused before any is read as an image.
    CStitchLoadResult LoadFiles(const std::vector<std::string>& paths, const std::string& templatePath = {});
    // Copies every bitmap, with one window (x width, y centre) per position; narrower
    // bitmaps are centred between black bands in the widest one's width.
    CStitchLoadResult LoadBitmaps(const LBitmapList& bitmaps, const CArray<CPoint, CPoint>& windows);

    int GetCount() const { return static_cast<int>(m_pieces.size()); }
    bool IsBitmapSource() const { return m_bBitmapSource; }
    // The source image of a piece (null outside the list); the model keeps it.
    CBaseImageData* GetImage(int index) const;
    CRect GetRect(int index) const;
    const std::string& GetFileName(int index) const;

    // Selection: -1 for none. Any value may be set; only 0..count-1 designates a piece.
    int GetSelected() const { return m_nSelected; }
    bool HasSelection() const { return m_nSelected >= 0 && m_nSelected < GetCount(); }
    EChange Select(int index);
    // Tab and Shift+Tab: the next or previous piece, wrapping round.
    EChange SelectNext();
    EChange SelectPrevious();

    // The selected piece by n pixels; None when nothing is selected. Every change of a
    // rectangle also drops the crop.
    EChange MoveLeft(int n);
    EChange MoveRight(int n);
    EChange MoveUp(int n);     // cuts n more rows off the top (never the last row)
    EChange MoveDown(int n);   // gives n rows back at the top
    EChange SizeIncrease(int n);  // n more rows at the bottom, up to the height
    EChange SizeDecrease(int n);  // n fewer rows at the bottom, not below row 10 nor top + 1
    // Sets one rectangle as given (left, top, bottom), clamped as the commands clamp.
    EChange SetRect(int index, int left, int top, int bottom);
    // Every rectangle whole again.
    EChange Reset();
    // The selected piece swaps places with its upper or lower neighbour; every rectangle
    // becomes whole, the selection index stays (so it designates the other piece).
    EChange MoveUpSequence();
    EChange MoveDownSequence();
    // Cuts every piece's featureless top and bottom bands and undoes its shift.
    EChange AutoTrim();
    // AutoTrim, then every adjacent pair registered: an aligned junction cuts at the middle
    // of the rows both pieces show as content and sets the lower piece's shift (shifts
    // accumulate from the first piece); a junction not aligned keeps its trimmed rows.
    EChange Align();
    // One entry per adjacent pair after Align, in order; empty after any other command
    // that trims or reorders, kept through fine-tuning.
    const std::vector<CJunction>& GetJunctions() const { return m_junctions; }
    // "3 of 4 junctions aligned; junction 2: overlap without structure, left as trimmed";
    // empty when there are no junctions.
    std::string AlignStatus() const;
    // "junction 2: overlap without structure, left as trimmed", one per junction not aligned.
    std::vector<std::string> DescribeJunctions() const;

    // Every layout command (moves, sizes, SetRect, Reset, reorder, AutoTrim, Align) can be
    // undone and redone; a new command drops what could be redone.
    EChange Undo();
    EChange Redo();
    bool CanUndo() const { return !m_undo.empty(); }
    bool CanRedo() const { return !m_redo.empty(); }

    // The crop, in pixels of the stitched image; an empty rectangle means none.
    const CRect& GetCrop() const { return m_rcOutputCrop; }
    EChange SetCrop(const CRect& rc);
    EChange ClearCrop() { return SetCrop(CRect()); }

    // Composes the kept rows of every piece (files read again from disk, bitmaps from
    // memory), crops and writes savePath into a copy of the template: refPath, or the
    // first piece's file when refPath is empty. Never shows anything.
    CStitchSaveResult Save(const char* refPath, const char* savePath) const;
    // Frees the decoded pixels of pieces read from files, whose kept rows Save reads from
    // the files again: for a caller that only saves from now on (tessor stitch), so that
    // the decoded pieces and the output are not held side by side. The pieces' sizes read
    // 0 afterwards; rectangles, names and the crop stay. Bitmap pieces keep their pixels.
    void ReleaseFilePixels();
    // Save for a caller that only saves from now on (tessor stitch): the kept rows of
    // pieces read from files are taken from their decoded pixels (grey ones; colour is read
    // again), which are freed piece by piece as the rows are taken, so that decoded
    // pieces and output are not held side by side. Afterwards as after ReleaseFilePixels.
    CStitchSaveResult SaveReleasingPixels(const char* refPath, const char* savePath);

private:
    struct Piece {
        int id = 0;  // identity through reorders, for the history
        std::unique_ptr<CBaseImageData> image;
        std::string fileName;
        CRect rect;
        // Columns of a widened bitmap that hold its picture (-1: the whole width).
        int pictureLeft = 0;
        int pictureRight = -1;
    };
    struct LayoutState {
        std::vector<int> ids;
        std::vector<CRect> rects;
        CRect crop;
        std::vector<CJunction> junctions;
    };
    static constexpr size_t kHistoryDepth = 200;
    LayoutState Capture() const;
    EChange Record(LayoutState before, EChange changed);
    EChange Restore(const LayoutState& state);
    EChange StepHistory(std::vector<LayoutState>& from, std::vector<LayoutState>& to);
    EChange TrimPieces();
    EChange PlaceJunctions();
    EChange AdjustSelected(void (*change)(CRect& rc, int n, int height), int n);
    EChange SwapSelectedWith(int other);
    EChange DropCrop();
    static void Normalize(CRect& rc, int width);
    void AddPiece(std::unique_ptr<CBaseImageData> image);
    CStitchSaveResult SavePieces(const char* refPath, const char* savePath, bool fromDecoded) const;

    std::vector<Piece> m_pieces;
    // Window width and centre per position (bitmap sources): they keep their order when
    // pieces are reordered.
    std::vector<CPoint> m_arrWindowLevel;
    bool m_bBitmapSource = false;
    int m_nSelected = -1;
    CRect m_rcOutputCrop;
    std::vector<CJunction> m_junctions;
    std::vector<LayoutState> m_undo;
    std::vector<LayoutState> m_redo;
};
