#include "image/CBaseImage.h"

#include "imaging/LDicomDS.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {
constexpr int kPngFormat = 6;
constexpr int kSignedOffset = 32768;

int ClampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}
}  // namespace

CBaseImage::CBaseImage() : m_pLUT(std::make_unique<RGBQUAD[]>(kLutEntries)) {}

CBaseImage::~CBaseImage() = default;

BOOL CBaseImage::Load(LPCTSTR path)
{
    LDicomDS dataSet(nullptr);
    return LoadFrom(path, dataSet);
}

BOOL CBaseImage::LoadFrom(LPCTSTR path, LDicomDS& dataSet)
{
    if (m_bitmap.Load(path, dataSet, 0, ORDER_BGRORGRAY) != SUCCESS)
        return FALSE;
    SetSizeFromBitmap();
    return TRUE;
}

BOOL CBaseImage::Save(LPCTSTR path)
{
    return m_bitmap.Save(path, kPngFormat, 0, 0, 0, nullptr) == SUCCESS;
}

BOOL CBaseImage::Save(LPCTSTR path, int format, int bitsPerPixel)
{
    return m_bitmap.Save(path, format, bitsPerPixel, -1, 0, nullptr) == SUCCESS;
}

void CBaseImage::WindowToStored(int*, int*) {}

void CBaseImage::WindowToModality(int*, int*) {}

BOOL CBaseImage::GetImageInfo(int* pWidth, int* pHeight, int* pBitsPerPixel) const
{
    if (pWidth)
        *pWidth = m_bitmap.GetWidth();
    if (pHeight)
        *pHeight = m_bitmap.GetHeight();
    if (pBitsPerPixel)
        *pBitsPerPixel = m_bitmap.GetBitsPerPixel();
    return TRUE;
}

void CBaseImage::SetClipRect(int left, int top, int right, int bottom)
{
    m_bitmap.SetClipDstRect(RECT{left, top, right, bottom});
}

BOOL CBaseImage::CopyImage(CBaseImage* pSrc)
{
    if (pSrc == this)
        return TRUE;
    m_bitmap.Copy(pSrc->m_bitmap);
    m_nDstX = pSrc->m_nDstX;
    m_nDstY = pSrc->m_nDstY;
    m_nDstWidth = pSrc->m_nDstWidth;
    m_nDstHeight = pSrc->m_nDstHeight;
    m_nSrcX = pSrc->m_nSrcX;
    m_nSrcY = pSrc->m_nSrcY;
    m_nSrcWidth = pSrc->m_nSrcWidth;
    m_nSrcHeight = pSrc->m_nSrcHeight;
    m_crLutStart = pSrc->m_crLutStart;
    m_crLutEnd = pSrc->m_crLutEnd;
    m_scale.CopyFactor(pSrc->m_scale);
    m_nWindowWidth = pSrc->m_nWindowWidth;
    m_nWindowCenter = pSrc->m_nWindowCenter;
    return TRUE;
}

int CBaseImage::CopyRegion(CBaseImage* pSrc, int x, int y, int width, int height)
{
    if (pSrc != this)
        return m_bitmap.CopyRect(pSrc->m_bitmap, x, y, width, height);
    // Cutting a region out of itself: copy from a snapshot so the source is not
    // released while it is read.
    LBitmap snapshot;
    const int result = snapshot.Copy(m_bitmap);
    if (result != SUCCESS)
        return result;
    return m_bitmap.CopyRect(snapshot, x, y, width, height);
}

int CBaseImage::Combine(CBaseImage* pSrc, int xDst, int yDst, int xSrc, int ySrc)
{
    return m_bitmap.Combine(xDst, yDst, m_bitmap.GetWidth(), m_bitmap.GetHeight(), pSrc->m_bitmap, xSrc, ySrc,
                            CB_OP_REPLACE);
}

BYTE* CBaseImage::GetRows(BYTE* pBuffer, int x, int firstRow, int width, int rowCount)
{
    const int bytesPerPixel = m_bitmap.GetBitsPerPixel() / 8;
    if (rowCount <= 0 || width <= 0 || bytesPerPixel <= 0 || x < 0)
        return pBuffer;
    const size_t rowBytes = static_cast<size_t>(bytesPerPixel) * static_cast<size_t>(width);
    const size_t skipBytes = static_cast<size_t>(bytesPerPixel) * static_cast<size_t>(x);
    // The row is read from its start up to the end of the requested span, but never past
    // the bitmap's own row length; what lies beyond stays zero.
    const size_t lineBytes = static_cast<size_t>(m_bitmap.GetBytesPerLine());
    const size_t readBytes = std::min(skipBytes + rowBytes, lineBytes);
    LBuffer row;
    if (row.Reallocate(skipBytes + rowBytes) != SUCCESS)
        return pBuffer;
    BYTE* rowBytesPtr = row.Lock();
    m_bitmap.Access();
    for (int r = firstRow; r < firstRow + rowCount; ++r) {
        BYTE* target = pBuffer + static_cast<size_t>(r - firstRow) * rowBytes;
        std::memset(rowBytesPtr, 0, skipBytes + rowBytes);
        if (r >= 0 && r < m_bitmap.GetHeight() && readBytes > 0)
            m_bitmap.GetRow(row, r, readBytes);
        std::memcpy(target, rowBytesPtr + skipBytes, rowBytes);
    }
    m_bitmap.Release();
    row.Unlock();
    return pBuffer;
}

void CBaseImage::SetWindowLevel(int width, int center)
{
    int lowBit = 0;
    int highBit = 0;
    int minValue = 0;
    int maxValue = 0;
    // One pass for the bit and the value range (as GetBitRange and GetLutValueRange give).
    m_bitmap.GetMinMaxBitsAndVal(&lowBit, &highBit, &minValue, &maxValue);
    if (m_bitmap.IsSigned()) {
        minValue += kSignedOffset;
        maxValue += kSignedOffset;
    }
    int low = 0;
    int high = 0;
    CalcWindowRange(&low, &high, width, center, minValue, maxValue);
    std::fill_n(m_pLUT.get(), kLutUsed, RGBQUAD{0, 0, 0, 0});
    LBitmap::WindowLevelFillLUT(m_pLUT.get(), kLutUsed, m_crLutStart, m_crLutEnd, low, high, lowBit, highBit,
                                minValue, maxValue, FILLLUT_LINEAR);
    m_bitmap.WindowLevel(lowBit, highBit, m_pLUT.get(), kLutUsed, WINDOWLEVEL_PAINT);
    m_nWindowWidth = width;
    m_nWindowCenter = center;
}

void CBaseImage::CalcWindowRange(int* pLow, int* pHigh, int width, int center, int minValue, int maxValue)
{
    WindowToStored(&width, &center);
    const std::int64_t half = width / 2;
    // Both ends carry the +1: a window of 400 around 1064 runs from 865 to 1265.
    std::int64_t low = std::int64_t{center} - half + 1;
    std::int64_t high = std::int64_t{center} + half + 1;
    if (low < minValue)
        low = minValue;
    if (high > maxValue)
        high = maxValue;
    *pLow = ClampToInt(low);
    *pHigh = ClampToInt(high);
}

BOOL CBaseImage::GetBitRange(int* pLowBit, int* pHighBit) const
{
    return m_bitmap.GetMinMaxBits(pLowBit, pHighBit) == SUCCESS;
}

BOOL CBaseImage::GetValueRange(int* pMin, int* pMax) const
{
    return m_bitmap.GetMinMaxVal(pMin, pMax) == SUCCESS;
}

BOOL CBaseImage::GetLutValueRange(int* pMin, int* pMax) const
{
    const BOOL result = GetValueRange(pMin, pMax);
    if (m_bitmap.IsSigned()) {
        *pMin += kSignedOffset;
        *pMax += kSignedOffset;
    }
    return result;
}

void CBaseImage::GetWindow(int* pWidth, int* pCenter) const
{
    *pWidth = m_nWindowWidth;
    *pCenter = m_nWindowCenter;
}

void CBaseImage::SetWindow(int width, int center)
{
    m_nWindowWidth = width;
    m_nWindowCenter = center;
}

void CBaseImage::SetSizeFromBitmap()
{
    m_nSrcWidth = m_nDstWidth = m_bitmap.GetWidth();
    m_nSrcHeight = m_nDstHeight = m_bitmap.GetHeight();
}

void CBaseImage::ResetSize()
{
    m_nDstX = 0;
    m_nDstY = 0;
    SetSizeFromBitmap();
    m_scale.SetFactor(1.0f);
}

CSize CBaseImage::FitToWidth(int width)
{
    ResetSize();
    // An empty bitmap or a width of nothing keeps the real size rather than dividing by zero.
    if (m_nSrcWidth <= 0 || width <= 0)
        return CSize(m_nDstWidth, m_nDstHeight);
    m_nDstWidth = width;
    m_nDstHeight = MulDiv(width, m_bitmap.GetHeight(), m_bitmap.GetWidth());
    m_scale.SetFactor(static_cast<float>(static_cast<double>(m_nSrcWidth) / width));
    return CSize(m_nDstWidth, m_nDstHeight);
}

CSize CBaseImage::FitToHeight(int height)
{
    ResetSize();
    if (m_nSrcHeight <= 0 || height <= 0)
        return CSize(m_nDstWidth, m_nDstHeight);
    m_nDstWidth = MulDiv(height, m_bitmap.GetWidth(), m_bitmap.GetHeight());
    m_nDstHeight = height;
    if (m_nDstWidth > 0)
        m_scale.SetFactor(static_cast<float>(static_cast<double>(m_nSrcWidth) / m_nDstWidth));
    return CSize(m_nDstWidth, m_nDstHeight);
}
