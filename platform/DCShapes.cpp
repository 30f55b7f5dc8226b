// CDC lines, shapes and area fills.
#include "platform/DC.h"

#include "platform/DCImpl.h"

#include <QPainter>
#include <QPolygon>

#include <array>

using gdi::Pattern;

namespace {

// Cosmetic pen styles as on/off run lengths in pixels.
bool StyleBitOn(int style, int index)
{
    auto in = [index](std::initializer_list<int> runs) {
        int period = 0;
        for (int run : runs)
            period += run;
        int position = index % period;
        bool on = true;
        for (int run : runs) {
            if (position < run)
                return on;
            position -= run;
            on = !on;
        }
        return on;
    };
    switch (style) {
    case PS_DASH: return in({18, 6});
    case PS_DOT: return in({3, 3});
    case PS_DASHDOT: return in({9, 6, 3, 6});
    case PS_DASHDOTDOT: return in({9, 3, 3, 3, 3, 3});
    default: return true;
    }
}

bool IsStyled(const gdi::Object* pen)
{
    return pen->pen.width <= 1 && pen->pen.style >= PS_DASH && pen->pen.style <= PS_DASHDOTDOT;
}

QImage NewMask(const QRect& bounds)
{
    QImage mask(bounds.size(), QImage::Format_Alpha8);
    mask.fill(0);
    return mask;
}

QPen MaskPen(int width)
{
    QPen pen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    return pen;
}

void ClearPixels(QImage& mask, QPoint origin, const std::vector<QPoint>& pixels)
{
    for (const QPoint& p : pixels) {
        QPoint m = p - origin;
        if (mask.rect().contains(m))
            mask.scanLine(m.y())[m.x()] = 0;
    }
}

QRect Bounds(const std::vector<QPoint>& points, int margin)
{
    QRect bounds;
    for (const QPoint& p : points)
        bounds |= QRect(p, QSize(1, 1));
    return bounds.adjusted(-margin, -margin, margin, margin);
}

}  // namespace

void CDC::Impl::PlotPen(const std::vector<QPoint>& pixels, bool styled)
{
    CSurface* surface = Target();
    if (!surface || pixels.empty())
        return;
    QImage& image = SurfaceImage(*surface);
    const QRegion& region = Clip();
    const bool simple = region.rectCount() == 1;
    const QRect bounds = region.boundingRect();
    const quint32 color = ToQRgb(Pen()->pen.color);
    const quint32 background = ToQRgb(state.bkColor);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const QPoint& p = pixels[i];
        if (!bounds.contains(p) || (!simple && !region.contains(p)))
            continue;
        quint32 penColor = color;
        if (styled && !StyleBitOn(Pen()->pen.style, static_cast<int>(i))) {
            if (state.bkMode != OPAQUE)
                continue;
            penColor = background;
        }
        auto* pixel = reinterpret_cast<quint32*>(image.scanLine(p.y())) + p.x();
        *pixel = gdi::ApplyRop2(state.rop2, penColor, *pixel);
    }
    Changed(Bounds(pixels, 0));
}

namespace {

// A wide pen's stroke through the points (surface coordinates) as a mask.
void StrokeWide(CDC::Impl& dc, const std::vector<QPoint>& points, bool closed)
{
    const int width = dc.Pen()->pen.width;
    QRect bounds = Bounds(points, width) & dc.Clip().boundingRect();
    if (bounds.isEmpty())
        return;
    QImage mask = NewMask(bounds);
    {
        QPainter painter(&mask);
        painter.translate(-bounds.topLeft());
        painter.setPen(MaskPen(width));
        QPolygon polygon(QList<QPoint>(points.begin(), points.end()));
        if (closed)
            painter.drawPolygon(polygon);
        else
            painter.drawPolyline(polygon);
    }
    gdi::FillMask(SurfaceImage(*dc.Target()), dc.Clip(), mask, bounds.topLeft(), gdi::SolidPattern(dc.Pen()->pen.color),
                  dc.state.rop2);
    dc.Changed(bounds);
}

void StrokeOutline(CDC::Impl& dc, const std::vector<QPoint>& points, bool closed)
{
    if (!dc.PenVisible() || points.size() < 2)
        return;
    if (dc.Pen()->pen.width > 1) {
        StrokeWide(dc, points, closed);
        return;
    }
    std::vector<QPoint> pixels;
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        gdi::LinePixels(points[i], points[i + 1], pixels);
    if (closed)
        gdi::LinePixels(points.back(), points.front(), pixels);
    dc.PlotPen(pixels, IsStyled(dc.Pen()));
}

}  // namespace

CPoint CDC::MoveTo(int x, int y)
{
    QPoint previous = m_impl->state.currentPos;
    m_impl->state.currentPos = QPoint(x, y);
    return CPoint(previous.x(), previous.y());
}

CPoint CDC::GetCurrentPosition() const
{
    return CPoint(m_impl->state.currentPos.x(), m_impl->state.currentPos.y());
}

BOOL CDC::LineTo(int x, int y)
{
    if (!m_impl->Target())
        return FALSE;
    QPoint from = m_impl->state.currentPos;
    StrokeOutline(*m_impl, {m_impl->ToSurface(from.x(), from.y()), m_impl->ToSurface(x, y)}, false);
    m_impl->state.currentPos = QPoint(x, y);
    return TRUE;
}

BOOL CDC::Polyline(const POINT* points, int count)
{
    if (!m_impl->Target() || !points || count < 2)
        return FALSE;
    std::vector<QPoint> surfacePoints;
    for (int i = 0; i < count; ++i)
        surfacePoints.push_back(m_impl->ToSurface(points[i].x, points[i].y));
    StrokeOutline(*m_impl, surfacePoints, false);
    return TRUE;
}

BOOL CDC::Polygon(const POINT* points, int count)
{
    if (!m_impl->Target() || !points || count < 2)
        return FALSE;
    std::vector<QPoint> surfacePoints;
    for (int i = 0; i < count; ++i)
        surfacePoints.push_back(m_impl->ToSurface(points[i].x, points[i].y));
    Pattern brush = gdi::BrushPattern(m_impl->Brush(), m_impl->state);
    const QRect bounds = Bounds(surfacePoints, 1) & m_impl->Clip().boundingRect();
    if (!brush.null && !bounds.isEmpty()) {
        QImage mask = NewMask(bounds);
        {
            QPainter painter(&mask);
            painter.translate(-bounds.topLeft());
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            painter.drawPolygon(QPolygon(QList<QPoint>(surfacePoints.begin(), surfacePoints.end())), Qt::OddEvenFill);
        }
        if (m_impl->PenVisible() && m_impl->Pen()->pen.width <= 1) {
            std::vector<QPoint> outline;
            for (std::size_t i = 0; i < surfacePoints.size(); ++i)
                gdi::LinePixels(surfacePoints[i], surfacePoints[(i + 1) % surfacePoints.size()], outline);
            ClearPixels(mask, bounds.topLeft(), outline);
        }
        gdi::FillMask(SurfaceImage(*m_impl->Target()), m_impl->Clip(), mask, bounds.topLeft(), brush, m_impl->state.rop2);
        m_impl->Changed(bounds);
    }
    StrokeOutline(*m_impl, surfacePoints, true);
    return TRUE;
}

BOOL CDC::Rectangle(int left, int top, int right, int bottom)
{
    CSurface* surface = m_impl->Target();
    if (!surface)
        return FALSE;
    QImage& image = SurfaceImage(*surface);
    const QRegion& clip = m_impl->Clip();
    const QRect outer = m_impl->ToSurface(left, top, right, bottom);
    const Pattern brush = gdi::BrushPattern(m_impl->Brush(), m_impl->state);
    const int rop2 = m_impl->state.rop2;
    if (outer.isEmpty())
        return TRUE;
    const gdi::Object* pen = m_impl->Pen();
    if (!m_impl->PenVisible() || pen->pen.style == PS_NULL) {
        // Without a pen GDI fills one pixel less in width and height.
        gdi::FillArea(image, clip, outer.adjusted(0, 0, -1, -1), brush, rop2);
        m_impl->Changed(outer);
        return TRUE;
    }
    if (IsStyled(pen)) {
        gdi::FillArea(image, clip, outer.adjusted(1, 1, -1, -1), brush, rop2);
        QPoint tl = outer.topLeft();
        QPoint br = outer.bottomRight();
        StrokeOutline(*m_impl, {tl, QPoint(br.x(), tl.y()), br, QPoint(tl.x(), br.y())}, true);
        m_impl->Changed(outer);
        return TRUE;
    }
    // Solid pens: the outline is a band of the pen's width, centred on the outermost
    // pixels of the rectangle, or inside it for PS_INSIDEFRAME.
    // A pixel column c of the outline is covered by [c - w/2, c - w/2 + w).
    const int w = pen->pen.width;
    const bool inside = pen->pen.style == PS_INSIDEFRAME;
    const int before = inside ? 0 : w / 2;
    const int after = inside ? 0 : w - 1 - w / 2;
    const int insetStart = inside ? w : w - w / 2;
    const int insetEnd = inside ? w : 1 + w / 2;
    QRect band = outer.adjusted(-before, -before, after, after);
    QRect interior = outer.adjusted(insetStart, insetStart, -insetEnd, -insetEnd);
    QRegion frame = QRegion(band).subtracted(interior.isValid() ? QRegion(interior) : QRegion());
    if (interior.isValid())
        gdi::FillArea(image, clip, interior, brush, rop2);
    for (const QRect& part : frame)
        gdi::FillArea(image, clip, part, gdi::SolidPattern(pen->pen.color), rop2);
    m_impl->Changed(band);
    return TRUE;
}

BOOL CDC::Ellipse(int left, int top, int right, int bottom)
{
    CSurface* surface = m_impl->Target();
    if (!surface)
        return FALSE;
    const QRect outer = m_impl->ToSurface(left, top, right, bottom);
    if (outer.width() < 2 || outer.height() < 2)
        return TRUE;
    const bool penVisible = m_impl->PenVisible();
    const int w = penVisible ? m_impl->Pen()->pen.width : 0;
    // Masks cover only the drawable part, however large the ellipse.
    const QRect bounds = outer.adjusted(-w, -w, w, w) & m_impl->Clip().boundingRect();
    if (bounds.isEmpty())
        return TRUE;
    // The ellipse touches the rectangle's outermost pixels, right and bottom excluded.
    const QRect shape(outer.topLeft(), QSize(outer.width() - 1, outer.height() - 1));
    QImage fill = NewMask(bounds);
    QImage outline = NewMask(bounds);
    {
        QPainter painter(&fill);
        painter.translate(-bounds.topLeft());
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(shape);
    }
    if (penVisible) {
        QPainter painter(&outline);
        painter.translate(-bounds.topLeft());
        painter.setPen(MaskPen(w));
        painter.drawEllipse(shape);
        painter.end();
        for (int y = 0; y < fill.height(); ++y) {
            uchar* f = fill.scanLine(y);
            const uchar* o = outline.constScanLine(y);
            for (int x = 0; x < fill.width(); ++x)
                f[x] = o[x] >= 128 ? 0 : f[x];
        }
    }
    QImage& image = SurfaceImage(*surface);
    gdi::FillMask(image, m_impl->Clip(), fill, bounds.topLeft(), gdi::BrushPattern(m_impl->Brush(), m_impl->state),
                  m_impl->state.rop2);
    if (penVisible)
        gdi::FillMask(image, m_impl->Clip(), outline, bounds.topLeft(), gdi::SolidPattern(m_impl->Pen()->pen.color),
                      m_impl->state.rop2);
    m_impl->Changed(bounds);
    return TRUE;
}

BOOL CDC::DrawFocusRect(LPCRECT rc)
{
    if (!rc || !m_impl->Target())
        return FALSE;
    // A one-pixel frame inverted on every other pixel; drawing it again removes it.
    const QRect outer = m_impl->ToSurface(rc->left, rc->top, rc->right, rc->bottom);
    std::vector<QPoint> pixels;
    QRegion frame = QRegion(outer).subtracted(outer.adjusted(1, 1, -1, -1));
    for (const QRect& part : frame)
        for (int y = part.top(); y <= part.bottom(); ++y)
            for (int x = part.left(); x <= part.right(); ++x)
                if (((x + y) & 1) == 0)
                    pixels.emplace_back(x, y);
    QImage& image = SurfaceImage(*m_impl->Target());
    const QRegion& clip = m_impl->Clip();
    for (const QPoint& p : pixels)
        if (clip.contains(p))
            reinterpret_cast<quint32*>(image.scanLine(p.y()))[p.x()] ^= 0x00FFFFFFu;
    m_impl->Changed(outer);
    return TRUE;
}

// Areas

void CDC::FillRect(LPCRECT rc, CBrush* pBrush)
{
    CSurface* surface = m_impl->Target();
    gdi::Object* brush = pBrush ? gdi::Lookup(pBrush->m_hObject, gdi::Kind::Brush) : nullptr;
    if (!surface || !rc || !brush)
        return;
    QRect area = m_impl->ToSurface(rc->left, rc->top, rc->right, rc->bottom);
    gdi::PatBltArea(SurfaceImage(*surface), m_impl->Clip(), area, gdi::BrushPattern(brush, m_impl->state), PATCOPY);
    m_impl->Changed(area);
}

void CDC::FillSolidRect(LPCRECT rc, COLORREF color)
{
    if (rc)
        FillSolidRect(rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, color);
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color)
{
    // As the framework does it: through the background colour, which stays set.
    SetBkColor(color);
    CSurface* surface = m_impl->Target();
    if (!surface)
        return;
    QRect area = m_impl->ToSurface(x, y, x + cx, y + cy);
    gdi::FillArea(SurfaceImage(*surface), m_impl->Clip(), area, gdi::SolidPattern(color), R2_COPYPEN);
    m_impl->Changed(area);
}

void CDC::FrameRect(LPCRECT rc, CBrush* pBrush)
{
    CSurface* surface = m_impl->Target();
    gdi::Object* brush = pBrush ? gdi::Lookup(pBrush->m_hObject, gdi::Kind::Brush) : nullptr;
    if (!surface || !rc || !brush)
        return;
    QRect outer = m_impl->ToSurface(rc->left, rc->top, rc->right, rc->bottom);
    QRegion frame = QRegion(outer).subtracted(outer.adjusted(1, 1, -1, -1));
    for (const QRect& part : frame)
        gdi::PatBltArea(SurfaceImage(*surface), m_impl->Clip(), part, gdi::BrushPattern(brush, m_impl->state), PATCOPY);
    m_impl->Changed(outer);
}

void CDC::Draw3dRect(LPCRECT rc, COLORREF topLeft, COLORREF bottomRight)
{
    if (rc)
        Draw3dRect(rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, topLeft, bottomRight);
}

void CDC::Draw3dRect(int x, int y, int cx, int cy, COLORREF topLeft, COLORREF bottomRight)
{
    FillSolidRect(x, y, cx - 1, 1, topLeft);
    FillSolidRect(x, y, 1, cy - 1, topLeft);
    FillSolidRect(x + cx, y, -1, cy, bottomRight);
    FillSolidRect(x, y + cy, cx, -1, bottomRight);
}

void CDC::InvertRect(LPCRECT rc)
{
    if (rc)
        PatBlt(rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, DSTINVERT);
}

BOOL CDC::PatBlt(int x, int y, int width, int height, DWORD rop)
{
    CSurface* surface = m_impl->Target();
    if (!surface)
        return FALSE;
    QRect area = m_impl->ToSurface(x, y, x + width, y + height);
    gdi::PatBltArea(SurfaceImage(*surface), m_impl->Clip(), area, gdi::BrushPattern(m_impl->Brush(), m_impl->state),
                    rop);
    m_impl->Changed(area);
    return TRUE;
}

COLORREF CDC::SetPixel(int x, int y, COLORREF color)
{
    CSurface* surface = m_impl->Target();
    QPoint p = m_impl->ToSurface(x, y);
    if (!surface || !m_impl->Clip().contains(p))
        return CLR_INVALID;
    reinterpret_cast<quint32*>(SurfaceImage(*surface).scanLine(p.y()))[p.x()] = ToQRgb(color);
    m_impl->Changed(QRect(p, QSize(1, 1)));
    return color & 0xFFFFFFu;
}

COLORREF CDC::GetPixel(int x, int y) const
{
    CSurface* surface = m_impl->Target();
    QPoint p = m_impl->ToSurface(x, y);
    if (!surface || !m_impl->Clip().contains(p))
        return CLR_INVALID;
    return surface->GetPixel(p.x(), p.y());
}
