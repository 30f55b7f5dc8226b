// A display image: the decoded bitmap, the colour table that renders it through a
// window, where and how large it is drawn in the workspace, and its scale.
#pragma once

#include "image/CScale.h"
#include "imaging/LBitmap.h"
#include "platform/Geometry.h"
#include "platform/Object.h"

#include <memory>

class CDC;
class LDicomDS;

class CBaseImage : public CObject {
public:
    // Entries allocated for the colour table; the first kLutUsed are used.
    static constexpr ULONG kLutEntries = 65538;
    static constexpr ULONG kLutUsed = 0x10000;

    CBaseImage();
    ~CBaseImage() override;
    CBaseImage(const CBaseImage&) = delete;
    CBaseImage& operator=(const CBaseImage&) = delete;

    // Decodes the file's first frame with stored values unchanged; on success the
    // source and destination sizes become the bitmap's.
    virtual BOOL Load(LPCTSTR path);
    virtual BOOL Save(LPCTSTR path);
    virtual BOOL Save(LPCTSTR path, int format, int bitsPerPixel);
    // Centre conversions between modality units and stored values; none for a plain image.
    virtual void WindowToStored(int* pWidth, int* pCenter);
    virtual void WindowToModality(int* pWidth, int* pCenter);

    int GetWidth() const { return m_bitmap.GetWidth(); }
    int GetHeight() const { return m_bitmap.GetHeight(); }
    BOOL IsAllocated() const { return m_bitmap.IsAllocated(); }
    BOOL GetImageInfo(int* pWidth, int* pHeight, int* pBitsPerPixel) const;

    // The part of the device (logical coordinates) that painting may touch.
    void SetClipRect(int left, int top, int right, int bottom);
    // Stretches the source rectangle onto the destination rectangle.
    void Draw(CDC* pDC);

    // Deep copy of the bitmap (applied window included), placement, colours, scale and window.
    BOOL CopyImage(CBaseImage* pSrc);
    // Replaces the bitmap by a rectangle of the source's; the library's result (1 success).
    int CopyRegion(CBaseImage* pSrc, int x, int y, int width, int height);
    // Source pixels from (xSrc, ySrc) replace this bitmap's from (xDst, yDst), within both.
    int Combine(CBaseImage* pSrc, int xDst, int yDst, int xSrc, int ySrc);
    // Copies rows firstRow .. firstRow + rowCount - 1, `width` pixels from column x, one
    // after another without padding; rows outside the bitmap come back zeroed. Returns pBuffer,
    // which must hold rowCount x width x (bits per pixel / 8) bytes.
    BYTE* GetRows(BYTE* pBuffer, int x, int firstRow, int width, int rowCount);

    // Renders the bitmap through the window (modality units) from now on.
    void SetWindowLevel(int width, int center);
    // The window's range in table indices, limited to [minValue, maxValue].
    void CalcWindowRange(int* pLow, int* pHigh, int width, int center, int minValue, int maxValue);
    BOOL GetBitRange(int* pLowBit, int* pHighBit) const;
    // Smallest and largest stored value, as the bitmap reports them.
    BOOL GetValueRange(int* pMin, int* pMax) const;
    // The value range in table indices (signed data shifted by 32768), the range the window
    // is clamped to.
    BOOL GetLutValueRange(int* pMin, int* pMax) const;
    void GetWindow(int* pWidth, int* pCenter) const;
    void SetWindow(int width, int center);

    // Real size at the origin, factor 1.
    void ResetSize();
    // Scaled to the width (or height) keeping the aspect; returns the drawn size.
    CSize FitToWidth(int width);
    CSize FitToHeight(int height);

    std::unique_ptr<RGBQUAD[]> m_pLUT;
    COLORREF m_crLutStart = 0x000000;
    COLORREF m_crLutEnd = 0xFFFFFF;
    LBitmap m_bitmap;
    int m_nDstX = 0;
    int m_nDstY = 0;
    int m_nDstWidth = 0;
    int m_nDstHeight = 0;
    int m_nSrcX = 0;
    int m_nSrcY = 0;
    int m_nSrcWidth = 0;
    int m_nSrcHeight = 0;
    CScale m_scale{1.0f};
    int m_nWindowWidth = 0;
    int m_nWindowCenter = 0;

protected:
    // Load, reading the file into `dataSet`, which the caller keeps for the file's other
    // elements.
    BOOL LoadFrom(LPCTSTR path, LDicomDS& dataSet);

private:
    void SetSizeFromBitmap();
};
