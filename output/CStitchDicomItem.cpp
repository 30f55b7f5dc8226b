#include "output/CStitchDicomItem.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

BOOL CStitchDicomItem::Create(int nWidth, int nBytesPerPixel, CRect rcAdjust, BYTE fill)
{
    const int64_t rows = int64_t{rcAdjust.bottom} - rcAdjust.top;  // 32 bits could wrap
    if (nWidth < 0 || nBytesPerPixel < 0 || rows < 0 || rows > INT32_MAX)
        return FALSE;
    m_nWidth = nWidth;
    m_nBytesPerPixel = nBytesPerPixel;
    m_rcAdjust = rcAdjust;
    m_nRows = static_cast<int>(rows);
    m_byFill = fill;
    const size_t size = GetSize();
    m_pPixels = platform::MakeLargeArray<BYTE>(std::max<size_t>(size, 1));
    if (!m_pPixels)
        return FALSE;
    std::memset(m_pPixels.get(), fill, size);
    return TRUE;
}

size_t CStitchDicomItem::GetRowBytes() const
{
    return static_cast<size_t>(m_nWidth) * static_cast<size_t>(m_nBytesPerPixel);
}

size_t CStitchDicomItem::GetSize() const
{
    return static_cast<size_t>(m_nRows) * GetRowBytes();
}

BOOL CStitchDicomItem::PlaceRow(int y, const BYTE* row)
{
    if (y >= m_rcAdjust.bottom)
        return FALSE;
    if (y < m_rcAdjust.top || !m_pPixels)
        return TRUE;
    const int64_t rowBytes = static_cast<int64_t>(GetRowBytes());
    const int64_t shift = static_cast<int64_t>(m_rcAdjust.left) * m_nBytesPerPixel;
    const int64_t count = rowBytes - (shift < 0 ? -shift : shift);
    if (count <= 0)
        return TRUE;
    BYTE* target = m_pPixels.get() + static_cast<size_t>(y - m_rcAdjust.top) * static_cast<size_t>(rowBytes);
    if (shift >= 0)
        std::memcpy(target, row + shift, static_cast<size_t>(count));
    else
        std::memcpy(target - shift, row, static_cast<size_t>(count));
    return TRUE;
}

void CStitchDicomItem::MatchWindow(int nTargetCenter, int nTargetWidth)
{
    if (m_nWindowCenter < 1 || m_nBytesPerPixel != 2 || m_nWindowWidth == 0 || !m_pPixels)
        return;
    const size_t samples = GetSize() / 2;
    BYTE* bytes = m_pPixels.get();
    const int delta = nTargetCenter - m_nWindowCenter;
    const int64_t center = nTargetCenter;
    for (size_t i = 0; i < samples; ++i) {
        uint16_t sample;
        std::memcpy(&sample, bytes + 2 * i, 2);
        // The shift wraps in 16 bits; the product is 64-bit so wide windows cannot overflow.
        const uint16_t shifted = static_cast<uint16_t>(sample + delta);
        const int64_t t = ((center - shifted) * nTargetWidth) / m_nWindowWidth;
        sample = static_cast<uint16_t>(std::clamp<int64_t>(center - t, 0, 65535));
        std::memcpy(bytes + 2 * i, &sample, 2);
    }
}
