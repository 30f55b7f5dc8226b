// CDC blits: BitBlt, StretchBlt and StretchDIBits.
//
// All three map destination pixels to source pixels by the nearest source pixel (the
// source pixel under the destination pixel's centre) and read the source in place: a
// device-independent bitmap handed in by the caller is never copied or converted, so
// painting a large bitmap costs one pass over the visible destination pixels.
#include "platform/DC.h"

#include "platform/DCImpl.h"

#include <cstdlib>
#include <vector>

namespace {

constexpr quint32 kAlpha = 0xFF000000u;
constexpr quint32 kColorBits = 0x00FFFFFFu;

// Reads source pixels as 0x??RRGGBB from rows of a given layout.
struct SourceRows {
    const uchar* bits = nullptr;
    qsizetype stride = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 32;
    const RGBQUAD* palette = nullptr;  // 8 bits per pixel
    int paletteSize = 0;

    const uchar* Row(int y) const { return bits + stride * y; }
    quint32 At(const uchar* row, int x) const
    {
        switch (bitsPerPixel) {
        case 32: return reinterpret_cast<const quint32*>(row)[x];
        case 24: {
            const uchar* p = row + 3 * x;
            return p[0] | (p[1] << 8) | (p[2] << 16);
        }
        default: {
            int index = row[x];
            if (index >= paletteSize)
                return 0;
            const RGBQUAD& q = palette[index];
            return q.rgbBlue | (q.rgbGreen << 8) | (q.rgbRed << 16);
        }
        }
    }
};

// Nearest source index (0 .. srcCount - 1) for each destination index, mirrored on request.
std::vector<int> NearestMap(int dstCount, int srcCount, bool mirror)
{
    std::vector<int> map(static_cast<std::size_t>(dstCount));
    for (int i = 0; i < dstCount; ++i) {
        int j = static_cast<int>((2 * static_cast<qint64>(i) + 1) * srcCount / (2 * static_cast<qint64>(dstCount)));
        map[static_cast<std::size_t>(i)] = mirror ? srcCount - 1 - j : j;
    }
    return map;
}

struct Stretch {
    QRect dst;      // surface pixels, normalised
    QRect src;      // source pixels, normalised; rows in the source's own row order
    bool mirrorX = false;
    bool mirrorY = false;
};

// Normalises a signed destination and source rectangle pair; opposite signs mirror.
Stretch MakeStretch(QPoint dstPos, int dstW, int dstH, int xSrc, int ySrc, int srcW, int srcH)
{
    Stretch s;
    s.mirrorX = (dstW < 0) != (srcW < 0);
    s.mirrorY = (dstH < 0) != (srcH < 0);
    s.dst = QRect(dstW < 0 ? dstPos.x() + dstW : dstPos.x(), dstH < 0 ? dstPos.y() + dstH : dstPos.y(), std::abs(dstW),
                  std::abs(dstH));
    s.src = QRect(srcW < 0 ? xSrc + srcW : xSrc, srcH < 0 ? ySrc + srcH : ySrc, std::abs(srcW), std::abs(srcH));
    return s;
}

template <class Op>
void StretchRows(QImage& image, const QRegion& clip, const Stretch& s, const SourceRows& source, Op op)
{
    const std::vector<int> columns = NearestMap(s.dst.width(), s.src.width(), s.mirrorX);
    const std::vector<int> rows = NearestMap(s.dst.height(), s.src.height(), s.mirrorY);
    for (const QRect& part : clip) {
        const QRect r = part & s.dst;
        for (int y = r.top(); y <= r.bottom(); ++y) {
            int sy = s.src.top() + rows[static_cast<std::size_t>(y - s.dst.top())];
            if (sy < 0 || sy >= source.height)
                continue;
            const uchar* srcRow = source.Row(sy);
            auto* dstRow = reinterpret_cast<quint32*>(image.scanLine(y));
            for (int x = r.left(); x <= r.right(); ++x) {
                int sx = s.src.left() + columns[static_cast<std::size_t>(x - s.dst.left())];
                if (sx >= 0 && sx < source.width)
                    dstRow[x] = op(source.At(srcRow, sx), dstRow[x]);
            }
        }
    }
}

void StretchWithRop(QImage& image, const QRegion& clip, const Stretch& s, const SourceRows& source, DWORD rop,
                    quint32 pattern)
{
    switch (rop) {
    case SRCCOPY: StretchRows(image, clip, s, source, [](quint32 src, quint32) { return src | kAlpha; }); return;
    case SRCINVERT:
        StretchRows(image, clip, s, source, [](quint32 src, quint32 dst) { return dst ^ (src & kColorBits); });
        return;
    case SRCAND: StretchRows(image, clip, s, source, [](quint32 src, quint32 dst) { return (dst & src) | kAlpha; }); return;
    case SRCPAINT: StretchRows(image, clip, s, source, [](quint32 src, quint32 dst) { return dst | src | kAlpha; }); return;
    case NOTSRCCOPY: StretchRows(image, clip, s, source, [](quint32 src, quint32) { return ~src | kAlpha; }); return;
    default:
        StretchRows(image, clip, s, source,
                    [rop, pattern](quint32 src, quint32 dst) { return gdi::ApplyRop3(rop, pattern, src, dst); });
    }
}

SourceRows SurfaceRows(const QImage& image)
{
    SourceRows rows;
    rows.bits = image.constBits();
    rows.stride = image.bytesPerLine();
    rows.width = image.width();
    rows.height = image.height();
    return rows;
}

}  // namespace

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* pSrcDC, int xSrc, int ySrc, DWORD rop)
{
    if (width < 0 || height < 0)
        return FALSE;
    return StretchBlt(x, y, width, height, pSrcDC, xSrc, ySrc, width, height, rop);
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* pSrcDC, int xSrc, int ySrc, int srcWidth,
                     int srcHeight, DWORD rop)
{
    CSurface* surface = m_impl->Target();
    if (!surface)
        return FALSE;
    if (!gdi::UsesSource(rop))
        return PatBlt(x, y, width, height, rop);
    CSurface* sourceSurface = pSrcDC ? pSrcDC->GetSurface() : nullptr;
    if (!sourceSurface || width == 0 || height == 0 || srcWidth == 0 || srcHeight == 0)
        return FALSE;
    QImage& image = SurfaceImage(*surface);
    const QPoint srcPos = pSrcDC->m_impl->ToSurface(xSrc, ySrc);
    Stretch s = MakeStretch(m_impl->ToSurface(x, y), width, height, srcPos.x(), srcPos.y(), srcWidth, srcHeight);
    QImage copy;
    const QImage* sourceImage = &SurfaceImage(*sourceSurface);
    if (sourceSurface == surface) {
        // Within one surface (scrolling): read from a copy of the source part, so that
        // overlapping areas move as a whole.
        const QRect part = s.src & sourceImage->rect();
        copy = sourceImage->copy(part);
        s.src.translate(-part.topLeft());
        sourceImage = &copy;
    }
    const quint32 pattern = gdi::BrushPattern(m_impl->Brush(), m_impl->state).color;
    StretchWithRop(image, m_impl->Clip(), s, SurfaceRows(*sourceImage), rop, pattern);
    m_impl->Changed(s.dst);
    return TRUE;
}

int CDC::StretchDIBits(int xDst, int yDst, int dstWidth, int dstHeight, int xSrc, int ySrc, int srcWidth,
                       int srcHeight, const void* bits, const BITMAPINFO* info, UINT /*usage*/, DWORD rop)
{
    CSurface* surface = m_impl->Target();
    if (!surface || !bits || !info)
        return 0;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    const int bpp = header.biBitCount;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biCompression != BI_RGB ||
        (bpp != 8 && bpp != 24 && bpp != 32))
        return 0;
    SourceRows source;
    source.bits = static_cast<const uchar*>(bits);
    source.bitsPerPixel = bpp;
    source.width = header.biWidth;
    source.height = std::abs(header.biHeight);
    source.stride = ((static_cast<qsizetype>(header.biWidth) * bpp + 31) / 32) * 4;
    source.palette = info->bmiColors;
    source.paletteSize = header.biClrUsed > 0 && header.biClrUsed <= 256 ? static_cast<int>(header.biClrUsed) : 256;
    if (!gdi::UsesSource(rop))
        return PatBlt(xDst, yDst, dstWidth, dstHeight, rop) ? std::abs(srcHeight) : 0;
    if (dstWidth == 0 || dstHeight == 0 || srcWidth == 0 || srcHeight == 0)
        return 0;
    Stretch s = MakeStretch(m_impl->ToSurface(xDst, yDst), dstWidth, dstHeight, xSrc, ySrc, srcWidth, srcHeight);
    if (header.biHeight > 0) {
        // Bottom-up: source rows count from the bottom, so the picture is upside down in
        // memory order; mirror the rows instead of moving them.
        s.mirrorY = !s.mirrorY;
    }
    const quint32 pattern = gdi::BrushPattern(m_impl->Brush(), m_impl->state).color;
    StretchWithRop(SurfaceImage(*surface), m_impl->Clip(), s, source, rop, pattern);
    m_impl->Changed(s.dst);
    return std::abs(srcHeight);
}
