// Pixel operations of the device context: raster operations, pattern fills, blits, lines.
#include "platform/DCImpl.h"

#include <cstdlib>

namespace gdi {
namespace {

constexpr quint32 kAlpha = 0xFF000000u;
constexpr quint32 kColorBits = 0x00FFFFFFu;

// Calls rowFn(row, xBegin, xEnd, y) for each clipped row span of the area.
template <class RowFn>
void ForEachSpan(QImage& image, const QRegion& clip, const QRect& area, RowFn&& rowFn)
{
    for (const QRect& part : clip) {
        QRect r = part & area;
        if (r.isEmpty())
            continue;
        for (int y = r.top(); y <= r.bottom(); ++y)
            rowFn(reinterpret_cast<quint32*>(image.scanLine(y)), r.left(), r.right() + 1, y);
    }
}

bool HatchBit(int hatch, int x, int y)
{
    x &= 7;
    y &= 7;
    switch (hatch) {
    case HS_HORIZONTAL: return y == 7;
    case HS_VERTICAL: return x == 7;
    case HS_FDIAGONAL: return x == y;
    case HS_BDIAGONAL: return x == 7 - y;
    case HS_CROSS: return x == 7 || y == 7;
    case HS_DIAGCROSS: return x == y || x == 7 - y;
    default: return false;
    }
}

// Applies op(pattern pixel, destination pixel) over the area. Transparent hatch gaps
// leave the destination alone.
template <class Op>
void ApplyPattern(QImage& image, const QRegion& clip, const QRect& area, const Pattern& pattern, Op op)
{
    if (pattern.null)
        return;
    if (!pattern.hatched) {
        const quint32 p = pattern.color;
        ForEachSpan(image, clip, area, [&](quint32* row, int x0, int x1, int) {
            for (int x = x0; x < x1; ++x)
                row[x] = op(p, row[x]);
        });
        return;
    }
    ForEachSpan(image, clip, area, [&](quint32* row, int x0, int x1, int y) {
        for (int x = x0; x < x1; ++x) {
            if (HatchBit(pattern.hatch, x, y))
                row[x] = op(pattern.color, row[x]);
            else if (pattern.opaqueBackground)
                row[x] = op(pattern.background, row[x]);
        }
    });
}

}  // namespace

Pattern SolidPattern(COLORREF color)
{
    Pattern pattern;
    pattern.color = ToQRgb(color);
    return pattern;
}

Pattern BrushPattern(const Object* brush, const DCState& state)
{
    Pattern pattern;
    if (!brush || brush->brush.style == BS_NULL) {
        pattern.null = true;
        return pattern;
    }
    pattern.color = ToQRgb(brush->brush.color);
    pattern.hatched = brush->brush.style == BS_HATCHED;
    pattern.hatch = brush->brush.hatch;
    pattern.background = ToQRgb(state.bkColor);
    pattern.opaqueBackground = state.bkMode == OPAQUE;
    return pattern;
}

quint32 ApplyRop2(int rop2, quint32 pen, quint32 dst)
{
    // R2 codes are 1 + a truth table indexed by (pen bit << 1) | destination bit.
    const unsigned table = static_cast<unsigned>(rop2 - 1) & 15u;
    quint32 result = 0;
    if (table & 1u)
        result |= ~pen & ~dst;
    if (table & 2u)
        result |= ~pen & dst;
    if (table & 4u)
        result |= pen & ~dst;
    if (table & 8u)
        result |= pen & dst;
    return (result & kColorBits) | kAlpha;
}

quint32 ApplyRop3(DWORD rop, quint32 pattern, quint32 source, quint32 dst)
{
    // The operation's third byte is a truth table indexed by (P << 2) | (S << 1) | D.
    const unsigned table = (rop >> 16) & 0xFFu;
    quint32 result = 0;
    for (unsigned i = 0; i < 8; ++i) {
        if (table & (1u << i))
            result |= ((i & 4u) ? pattern : ~pattern) & ((i & 2u) ? source : ~source) & ((i & 1u) ? dst : ~dst);
    }
    return (result & kColorBits) | kAlpha;
}

void FillArea(QImage& image, const QRegion& clip, const QRect& area, const Pattern& pattern, int rop2)
{
    switch (rop2) {
    case R2_NOP: return;
    case R2_COPYPEN: ApplyPattern(image, clip, area, pattern, [](quint32 p, quint32) { return p; }); return;
    case R2_XORPEN:
        ApplyPattern(image, clip, area, pattern, [](quint32 p, quint32 d) { return d ^ (p & kColorBits); });
        return;
    case R2_NOT: ApplyPattern(image, clip, area, pattern, [](quint32, quint32 d) { return d ^ kColorBits; }); return;
    default:
        ApplyPattern(image, clip, area, pattern, [rop2](quint32 p, quint32 d) { return ApplyRop2(rop2, p, d); });
    }
}

void PatBltArea(QImage& image, const QRegion& clip, const QRect& area, const Pattern& pattern, DWORD rop)
{
    Pattern any = pattern;  // operations that ignore the pattern still run with a null brush
    any.null = false;
    switch (rop) {
    case PATCOPY: FillArea(image, clip, area, pattern, R2_COPYPEN); return;
    case PATINVERT: FillArea(image, clip, area, pattern, R2_XORPEN); return;
    case DSTINVERT: FillArea(image, clip, area, any, R2_NOT); return;
    case BLACKNESS: FillArea(image, clip, area, SolidPattern(RGB(0, 0, 0)), R2_COPYPEN); return;
    case WHITENESS: FillArea(image, clip, area, SolidPattern(RGB(255, 255, 255)), R2_COPYPEN); return;
    default:
        ApplyPattern(image, clip, area, pattern, [rop](quint32 p, quint32 d) { return ApplyRop3(rop, p, d, d); });
    }
}

void FillMask(QImage& image, const QRegion& clip, const QImage& mask, QPoint origin, const Pattern& pattern,
              int rop2)
{
    if (pattern.null || rop2 == R2_NOP)
        return;
    ForEachSpan(image, clip, QRect(origin, mask.size()), [&](quint32* row, int x0, int x1, int y) {
        const uchar* bits = mask.constScanLine(y - origin.y()) - origin.x();
        for (int x = x0; x < x1; ++x) {
            if (bits[x] < 128)
                continue;
            if (!pattern.hatched || HatchBit(pattern.hatch, x, y))
                row[x] = ApplyRop2(rop2, pattern.color, row[x]);
            else if (pattern.opaqueBackground)
                row[x] = ApplyRop2(rop2, pattern.background, row[x]);
        }
    });
}

void LinePixels(QPoint a, QPoint b, std::vector<QPoint>& out)
{
    const int dx = std::abs(b.x() - a.x());
    const int dy = std::abs(b.y() - a.y());
    const int sx = a.x() < b.x() ? 1 : -1;
    const int sy = a.y() < b.y() ? 1 : -1;
    const int steps = std::max(dx, dy);
    int x = a.x();
    int y = a.y();
    if (dx >= dy) {
        int error = 2 * dy - dx;
        for (int i = 0; i < steps; ++i) {
            out.emplace_back(x, y);
            if (error > 0 || (error == 0 && sx < 0)) {
                y += sy;
                error -= 2 * dx;
            }
            error += 2 * dy;
            x += sx;
        }
    } else {
        int error = 2 * dx - dy;
        for (int i = 0; i < steps; ++i) {
            out.emplace_back(x, y);
            if (error > 0 || (error == 0 && sy < 0)) {
                x += sx;
                error -= 2 * dy;
            }
            error += 2 * dx;
            y += sy;
        }
    }
}

}  // namespace gdi
