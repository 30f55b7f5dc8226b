#include "stitch/StitchTrim.h"
#include "platform/StageTrace.h"

#include "image/CBaseImage.h"
#include "platform/PixelBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace {

int SampleAt(const unsigned char* row, int c, int bitsPerPixel, bool isSigned)
{
    switch (bitsPerPixel) {
    case 8:
        return isSigned ? static_cast<int8_t>(row[c]) : row[c];
    case 16: {
        uint16_t word;
        std::memcpy(&word, row + 2 * c, 2);
        return isSigned ? static_cast<int16_t>(word) : word;
    }
    case 24:
        return (row[3 * c] + row[3 * c + 1] + row[3 * c + 2]) / 3;
    default:
        return 0;
    }
}

}  // namespace

double CStitchTrim::RowDeviation(const int* values, int count)
{
    if (count <= 0)
        return 0.0;
    double sum = 0.0;
    for (int i = 0; i < count; ++i)
        sum += values[i];
    const double mean = sum / count;
    double squares = 0.0;
    for (int i = 0; i < count; ++i)
        squares += (mean - values[i]) * (mean - values[i]);
    return std::sqrt(squares / count);
}

int CStitchTrim::FindContentEdge(const unsigned char* samples, int width, int rows, int bitsPerPixel, int direction,
                                 bool isSigned)
{
    if (width <= 0 || rows <= 0)
        return -1;
    std::vector<int> row;
    std::vector<double> deviation;
    try {
        row.resize(static_cast<size_t>(width));
        deviation.resize(static_cast<size_t>(rows));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel / 8);
    double smallest = 9999.0;
    double largest = 0.0;
    for (int r = 0; r < rows; ++r) {
        const unsigned char* rowStart = samples + static_cast<size_t>(r) * rowBytes;
        for (int c = 0; c < width; ++c)
            row[static_cast<size_t>(c)] = SampleAt(rowStart, c, bitsPerPixel, isSigned);
        const double d = RowDeviation(row.data(), width);
        deviation[static_cast<size_t>(r)] = d;
        if (d <= smallest)
            smallest = d;
        if (d >= largest)
            largest = d;
    }
    const double threshold = (largest - smallest) * 0.5 + smallest;
    int found = -1;
    if (direction == Top) {
        for (int r = 0; r < rows && found < 0; ++r)
            if (deviation[static_cast<size_t>(r)] > threshold)
                found = r;
    } else {
        for (int r = rows - 1; r >= 0 && found < 0; --r)
            if (deviation[static_cast<size_t>(r)] > threshold)
                found = r;
    }
    if (found < 0 || !(deviation[static_cast<size_t>(found)] > smallest))
        return -1;
    return direction == Top ? found : rows - found + 1;
}

void CStitchTrim::TrimRect(CBaseImage& source, CRect& rc)
{
    const platform::StageScope trace(platform::Stage::Analyse);
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    source.GetImageInfo(&width, &height, &bitsPerPixel);
    rc.left = 0;
    rc.right = width;
    if (bitsPerPixel > 32 || width <= 0 || height <= 0)
        return;
    const int rows = std::min(ANALYSIS_ROWS, height);
    // Zeroed like a vector, on huge pages: a 4 MB block of 4 KiB pages costs more to fault
    // in than the analysis takes.
    const size_t bufferBytes = static_cast<size_t>(width) * 4 * ANALYSIS_ROWS;
    platform::PixelBuffer buffer = platform::PixelBuffer::Zeroed(bufferBytes);
    if (!buffer)
        return;
    const CRect previous = rc;
    const bool isSigned = source.m_bitmap.IsSigned() != FALSE;

    source.GetRows(buffer.data(), 0, 0, width, rows);
    const int top = FindContentEdge(buffer.data(), width, rows, bitsPerPixel, Top, isSigned);
    if (top >= 0)
        rc.top = top;
    source.GetRows(buffer.data(), 0, height - rows, width, rows);
    const int bottom = FindContentEdge(buffer.data(), width, rows, bitsPerPixel, Bottom, isSigned);
    if (bottom >= 0)
        rc.bottom = height - bottom;
    if (rc.top >= rc.bottom || rc.top < 0 || rc.bottom > height) {
        rc.top = previous.top;
        rc.bottom = previous.bottom;
    }
}
