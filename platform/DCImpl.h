// Platform-private state of a device context and the pixel operations it draws with.
//
// Painting strategy: rectangles, lines, blits and raster operations are done on the
// surface's pixels directly (exact GDI semantics, XOR on 24 bits). Text, scaled images
// and curved shapes use a QPainter opened on the surface for that one call and closed
// again, so no painter outlives a call and surfaces can be resized between calls.
#pragma once

#include "platform/DC.h"
#include "platform/GdiObjectsImpl.h"
#include "platform/SurfaceAccess.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <optional>
#include <vector>

namespace gdi {

// Attributes that SaveDC keeps.
struct DCState {
    Ref pen;
    Ref brush;
    Ref font;
    Ref bitmap;
    int rop2 = R2_COPYPEN;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int stretchMode = BLACKONWHITE;
    QPoint viewportOrg;
    QPoint currentPos;
    std::optional<QRegion> userClip;  // device coordinates
};

// What a brush puts at a pixel: a solid colour or an 8 x 8 hatch of colour and
// background (background untouched when transparent). Null brushes paint nothing.
struct Pattern {
    bool null = false;
    bool hatched = false;
    int hatch = 0;
    quint32 color = 0xFF000000u;
    quint32 background = 0xFFFFFFFFu;
    bool opaqueBackground = true;
};

Pattern SolidPattern(COLORREF color);
Pattern BrushPattern(const Object* brush, const DCState& state);

// Ternary and binary raster operations on 0xFFRRGGBB pixels (alpha kept at 0xFF).
quint32 ApplyRop2(int rop2, quint32 pen, quint32 dst);
quint32 ApplyRop3(DWORD rop, quint32 pattern, quint32 source, quint32 dst);

// Area fills, limited by the clip region (surface coordinates).
void FillArea(QImage& image, const QRegion& clip, const QRect& area, const Pattern& pattern, int rop2);
void PatBltArea(QImage& image, const QRegion& clip, const QRect& area, const Pattern& pattern, DWORD rop);
// Whether a ternary raster operation reads the source.
inline bool UsesSource(DWORD rop)
{
    const unsigned table = (rop >> 16) & 0xFFu;
    return ((table >> 2) & 0x33u) != (table & 0x33u);
}

// Applies the pattern (rop2) where the Alpha8 mask, placed at origin, is set.
void FillMask(QImage& image, const QRegion& clip, const QImage& mask, QPoint origin, const Pattern& pattern,
              int rop2);

// Pixels of a 1-pixel line from a to b, b excluded (Bresenham, GDI's end-point rule).
void LinePixels(QPoint a, QPoint b, std::vector<QPoint>& out);

}  // namespace gdi

struct CDC::Impl {
    CDC* owner = nullptr;
    CSurface* attached = nullptr;
    bool memory = false;
    QPoint deviceOrigin;
    std::optional<QRect> deviceClip;  // device coordinates
    gdi::DCState state;
    std::vector<gdi::DCState> saved;

    // The surface drawn on: the attached one, or the selected bitmap of a memory DC.
    CSurface* Target() const;
    // Logical point to surface pixel.
    QPoint Offset() const { return state.viewportOrg + deviceOrigin; }
    QPoint ToSurface(int x, int y) const { return QPoint(x, y) + Offset(); }
    // Logical [left, right) x [top, bottom), normalised, in surface pixels.
    QRect ToSurface(int left, int top, int right, int bottom) const;
    // The drawable area in surface coordinates (cached until origin, clip or size change).
    const QRegion& Clip() const;
    void InvalidateClip() { clipValid = false; }
    // Tells the surface which pixels may have changed (clipped to the drawable area).
    void Changed(const QRect& surfaceRect) const;

    gdi::Object* Pen() const { return state.pen.get(); }
    gdi::Object* Brush() const { return state.brush.get(); }
    gdi::Object* Font() const { return state.font.get(); }
    bool PenVisible() const { return Pen() && Pen()->pen.style != PS_NULL && state.rop2 != R2_NOP; }

    // Applies the pen (rop2) to single pixels given in surface coordinates.
    void PlotPen(const std::vector<QPoint>& pixels, bool styled);

private:
    mutable QRegion clip;
    mutable bool clipValid = false;
    mutable QSize clipSurfaceSize;
};
