// One source's kept rows, shifted and ready to be stacked into the stitched raster.
#pragma once

#include "platform/CString.h"
#include "platform/Geometry.h"
#include "platform/LargeBuffer.h"

#include <cstddef>

class CStitchDicomItem {
public:
    CStitchDicomItem() = default;
    virtual ~CStitchDicomItem() = default;
    CStitchDicomItem(const CStitchDicomItem&) = delete;
    CStitchDicomItem& operator=(const CStitchDicomItem&) = delete;

    // Sizes the item for the band top..bottom of rcAdjust, rows of nWidth pixels, every
    // byte set to `fill`. FALSE for an inverted band or when the buffer cannot be allocated.
    BOOL Create(int nWidth, int nBytesPerPixel, CRect rcAdjust, BYTE fill);
    // m_nRows x m_nWidth x m_nBytesPerPixel.
    size_t GetSize() const;
    size_t GetRowBytes() const;

    // Places source row y (m_nWidth x m_nBytesPerPixel bytes) into the item: rows outside
    // top..bottom are dropped; the row is shifted left by rcAdjust.left pixels (right when
    // negative); bytes it does not cover keep their value. FALSE once y reaches bottom.
    BOOL PlaceRow(int y, const BYTE* row);

    // Maps a 16-bit piece from its own window onto the common window (targetCenter,
    // targetWidth). Only 16-bit items with a window centre of at least 1 and a window
    // width other than 0 change.
    void MatchWindow(int nTargetCenter, int nTargetWidth);

    // Pixel-sized: not zero-filled by the allocation (Create fills it), huge pages where
    // the system offers them. Compose releases it once the raster holds the rows.
    platform::LargeArray<BYTE> m_pPixels;
    int m_nWidth = 0;
    int m_nRows = 0;
    int m_nWindowWidth = 0;
    int m_nWindowCenter = 0;
    int m_nBytesPerPixel = 0;
    CRect m_rcAdjust;
    // The value of bytes no source pixel covers (0xFF for MONOCHROME1 files, else 0x00).
    BYTE m_byFill = 0;
    // Identity of a file source, for the stitched file's Source Image Sequence; empty for
    // bitmap sources and for files without these elements.
    CString m_strSOPClassUID;
    CString m_strSOPInstanceUID;
};
