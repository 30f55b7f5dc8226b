// One source's kept rows, shifted and ready to be stacked into the stitched raster.
#pragma once

#include "imaging/PixelMeaning.h"
#include "platform/CString.h"
#include "platform/Geometry.h"
#include "platform/PixelBuffer.h"

#include <cstddef>
#include <cstdint>
#include <optional>

class CStitchDicomItem {
public:
    CStitchDicomItem() = default;
    virtual ~CStitchDicomItem() = default;
    CStitchDicomItem(const CStitchDicomItem&) = delete;
    CStitchDicomItem& operator=(const CStitchDicomItem&) = delete;

    // Sizes the item for the band top..bottom of rcAdjust, rows of nWidth pixels, every
    // byte set to `fill`. FALSE for an inverted band or when the buffer cannot be allocated.
    BOOL Create(int nWidth, int nBytesPerPixel, CRect rcAdjust, BYTE fill);
    // Create and PlaceRow for every row of a whole decoded frame of sourceRows rows, in
    // the frame's own block: the kept rows are moved up to its start and shifted in place,
    // so no second frame-sized block is taken. FALSE (the frame dropped) when the band
    // is not within the frame or the frame is shorter than its rows.
    BOOL AdoptRows(platform::PixelBuffer frame, int nWidth, int nBytesPerPixel, int sourceRows, CRect rcAdjust);
    // m_nRows x m_nWidth x m_nBytesPerPixel.
    size_t GetSize() const;
    size_t GetRowBytes() const;
    // The item columns first..end that show source picture (the rest is uncovered).
    void PictureColumns(int64_t& first, int64_t& end) const;

    // Places source row y (m_nWidth x m_nBytesPerPixel bytes) into the item: rows outside
    // top..bottom are dropped; the row is shifted left by rcAdjust.left pixels (right when
    // negative); bytes it does not cover keep their value. FALSE once y reaches bottom.
    BOOL PlaceRow(int y, const BYTE* row);

    // Maps a 16-bit piece from its own window onto the common window (targetCenter,
    // targetWidth): its centre goes to the target centre, its window edges to the target's.
    // Computed in 64-bit signed arithmetic on the stored values (signed when m_bSigned) and
    // clamped to the sample type's range. Only 16-bit items with a window (width >= 1)
    // change; any centre counts, negative ones included.
    void MatchWindow(int nTargetCenter, int nTargetWidth);
    // True when the item carries a window to be matched and written.
    bool HasWindow() const { return m_nWindowWidth >= 1; }

    // Sets every byte of the item that shows no source picture to `sample` (one sample of
    // m_nBytesPerPixel bytes): the columns the shift uncovers and those outside the
    // source's picture columns m_nPictureLeft..m_nPictureRight.
    void FillUncovered(std::uint32_t sample);
    // Widens lowest..highest by the values of the samples that show source picture (grey
    // items of 1 or 2 bytes per sample, with their sign).
    void PictureRange(int64_t& lowest, int64_t& highest) const;

    // Filled by Create; huge pages where the system offers them. Compose releases it once
    // the raster holds the rows.
    platform::PixelBuffer m_pPixels;
    int m_nWidth = 0;
    int m_nRows = 0;
    int m_nWindowWidth = 0;
    int m_nWindowCenter = 0;
    int m_nBytesPerPixel = 0;
    CRect m_rcAdjust;
    // The byte the buffer starts with; Compose replaces the uncovered samples with the
    // output's black (FillUncovered).
    BYTE m_byFill = 0;
    // Samples are two's complement (Pixel Representation 1, or a signed bitmap).
    bool m_bSigned = false;
    // What a grey file source's stored values mean (its own description until Compose
    // converts it to the reference's); none for bitmaps and colour.
    std::optional<imaging::PixelMeaning> m_meaning;
    // The source columns that hold picture; a bitmap widened to a common width has black
    // bands outside them. -1 for the right edge means the whole width.
    int m_nPictureLeft = 0;
    int m_nPictureRight = -1;
    // Identity of a file source, for the stitched file's Source Image Sequence; empty for
    // bitmap sources and for files without these elements.
    CString m_strSOPClassUID;
    CString m_strSOPInstanceUID;
    // A file source's lossy compression history: lossy when its Lossy Image Compression
    // is "01" or its transfer syntax is a lossy one; the ratio and method as it gave them
    // (the method of its transfer syntax when it gave none).
    bool m_bFromFile = false;
    bool m_bLossy = false;
    CString m_strLossyRatio;
    CString m_strLossyMethod;
};
