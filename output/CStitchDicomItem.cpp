#include "output/CStitchDicomItem.h"

#include "imaging/StoredValue.h"

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
    m_pPixels = platform::PixelBuffer::Filled(std::max<size_t>(size, 1), fill);
    return m_pPixels ? TRUE : FALSE;
}

namespace {

// Writes source row `from` at `to` (the same row or an earlier one of the same block)
// shifted left by `shift` bytes (right when negative); the bytes it does not cover become 0.
void MoveRowShifted(BYTE* to, const BYTE* from, size_t rowBytes, int64_t shift)
{
    const size_t distance = static_cast<size_t>(shift < 0 ? -shift : shift);
    if (distance >= rowBytes) {
        std::memset(to, 0, rowBytes);
    } else if (shift >= 0) {
        std::memmove(to, from + distance, rowBytes - distance);
        std::memset(to + rowBytes - distance, 0, distance);
    } else {
        std::memmove(to + distance, from, rowBytes - distance);
        std::memset(to, 0, distance);
    }
}

}  // namespace

BOOL CStitchDicomItem::AdoptRows(platform::PixelBuffer frame, int nWidth, int nBytesPerPixel, int sourceRows,
                                 CRect rcAdjust)
{
    if (nWidth <= 0 || nBytesPerPixel <= 0 || rcAdjust.top < 0 || rcAdjust.bottom > sourceRows ||
        rcAdjust.top >= rcAdjust.bottom)
        return FALSE;
    const size_t rowBytes = static_cast<size_t>(nWidth) * static_cast<size_t>(nBytesPerPixel);
    if (frame.size() < static_cast<size_t>(sourceRows) * rowBytes)
        return FALSE;
    m_nWidth = nWidth;
    m_nBytesPerPixel = nBytesPerPixel;
    m_rcAdjust = rcAdjust;
    m_nRows = static_cast<int>(rcAdjust.bottom - rcAdjust.top);
    m_byFill = 0;
    const int64_t shift = static_cast<int64_t>(rcAdjust.left) * nBytesPerPixel;
    BYTE* rows = frame.data();
    for (int k = 0; k < m_nRows; ++k) {
        BYTE* to = rows + static_cast<size_t>(k) * rowBytes;
        const BYTE* from = rows + static_cast<size_t>(rcAdjust.top + k) * rowBytes;
        if (shift != 0 || to != from)
            MoveRowShifted(to, from, rowBytes, shift);
    }
    frame.Resize(GetSize());  // smaller: keeps the block
    m_pPixels = std::move(frame);
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
    BYTE* target = m_pPixels.data() + static_cast<size_t>(y - m_rcAdjust.top) * static_cast<size_t>(rowBytes);
    if (shift >= 0)
        std::memcpy(target, row + shift, static_cast<size_t>(count));
    else
        std::memcpy(target - shift, row, static_cast<size_t>(count));
    return TRUE;
}

void CStitchDicomItem::MatchWindow(int nTargetCenter, int nTargetWidth)
{
    if (!HasWindow() || m_nBytesPerPixel != 2 || !m_pPixels)
        return;
    const size_t samples = GetSize() / 2;
    BYTE* bytes = m_pPixels.data();
    const int64_t lowest = m_bSigned ? INT16_MIN : 0;
    const int64_t highest = m_bSigned ? INT16_MAX : UINT16_MAX;
    const int64_t center = m_nWindowCenter;
    const int64_t target = nTargetCenter;
    for (size_t i = 0; i < samples; ++i) {
        uint16_t raw;
        std::memcpy(&raw, bytes + 2 * i, 2);
        const int64_t s = m_bSigned ? int64_t(static_cast<int16_t>(raw)) : int64_t(raw);
        // The distance from the own centre, scaled to the target width, from the target centre.
        const int64_t value = target - ((center - s) * nTargetWidth) / m_nWindowWidth;
        raw = static_cast<uint16_t>(std::clamp(value, lowest, highest));
        std::memcpy(bytes + 2 * i, &raw, 2);
    }
}

void CStitchDicomItem::PictureColumns(int64_t& first, int64_t& end) const
{
    const int pictureRight = m_nPictureRight < 0 ? m_nWidth : std::min(m_nPictureRight, m_nWidth);
    // Item column x shows source column x + left.
    first = std::clamp<int64_t>(int64_t(std::max(m_nPictureLeft, 0)) - m_rcAdjust.left, 0, m_nWidth);
    end = std::clamp<int64_t>(int64_t(pictureRight) - m_rcAdjust.left, first, m_nWidth);
}

void CStitchDicomItem::PictureRange(int64_t& lowest, int64_t& highest) const
{
    if (!m_pPixels || (m_nBytesPerPixel != 1 && m_nBytesPerPixel != 2))
        return;
    int64_t first = 0;
    int64_t end = 0;
    PictureColumns(first, end);
    for (int y = 0; y < m_nRows; ++y) {
        const BYTE* row = m_pPixels.data() + static_cast<size_t>(y) * GetRowBytes();
        for (int64_t x = first; x < end; ++x) {
            int64_t value = 0;
            if (m_nBytesPerPixel == 1) {
                value = m_bSigned ? int64_t(static_cast<int8_t>(row[x])) : int64_t(row[x]);
            } else {
                uint16_t raw;
                std::memcpy(&raw, row + 2 * x, 2);
                value = m_bSigned ? int64_t(static_cast<int16_t>(raw)) : int64_t(raw);
            }
            lowest = std::min(lowest, value);
            highest = std::max(highest, value);
        }
    }
}

void CStitchDicomItem::FillUncovered(std::uint32_t sample)
{
    if (!m_pPixels || m_nWidth <= 0 || m_nRows <= 0)
        return;
    int64_t first = 0;
    int64_t end = 0;
    PictureColumns(first, end);
    const size_t bpp = static_cast<size_t>(m_nBytesPerPixel);
    for (int y = 0; y < m_nRows; ++y) {
        BYTE* row = m_pPixels.data() + static_cast<size_t>(y) * GetRowBytes();
        imaging::FillSamples(row, static_cast<size_t>(first), m_nBytesPerPixel, sample);
        imaging::FillSamples(row + static_cast<size_t>(end) * bpp, static_cast<size_t>(m_nWidth - end),
                             m_nBytesPerPixel, sample);
    }
}
