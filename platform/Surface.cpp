// CSurface over a QImage in Format_RGB32.
#include "platform/Surface.h"

#include "platform/SurfaceAccess.h"

#include <QPainter>

#include <algorithm>

namespace {

QImage MakeImage(int width, int height)
{
    QImage image(std::max(0, width), std::max(0, height), QImage::Format_RGB32);
    image.fill(0xFFFFFFFFu);
    return image;
}

}  // namespace

CSurface::CSurface(int width, int height) : m_impl(std::make_unique<Impl>())
{
    m_impl->image = MakeImage(width, height);
}

CSurface::~CSurface() = default;

int CSurface::Width() const { return m_impl->image.width(); }

int CSurface::Height() const { return m_impl->image.height(); }

COLORREF CSurface::GetPixel(int x, int y) const
{
    const QImage& image = m_impl->image;
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return CLR_INVALID;
    return FromQRgb(reinterpret_cast<const QRgb*>(image.constScanLine(y))[x]);
}

void CSurface::SetPixel(int x, int y, COLORREF color)
{
    QImage& image = m_impl->image;
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height())
        return;
    reinterpret_cast<QRgb*>(image.scanLine(y))[x] = ToQRgb(color);
    NotifyChanged(CRect(x, y, x + 1, y + 1));
}

void CSurface::Fill(COLORREF color)
{
    m_impl->image.fill(ToQRgb(color));
    NotifyChanged(GetRect());
}

void CSurface::Resize(int width, int height)
{
    QImage& image = m_impl->image;
    if (image.width() == std::max(0, width) && image.height() == std::max(0, height))
        return;
    QImage resized = MakeImage(width, height);
    if (!image.isNull() && !resized.isNull()) {
        QPainter painter(&resized);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, image);
    }
    image = std::move(resized);
    NotifyChanged(GetRect());
}

bool CSurface::SavePng(const std::string& path) const
{
    return m_impl->image.save(QString::fromStdString(path), "PNG");
}

void CSurface::SetChangeHandler(ChangeHandler handler)
{
    m_impl->onChange = std::move(handler);
}

void CSurface::NotifyChanged(const CRect& rc) const
{
    if (m_impl->onChange && !rc.IsRectEmpty())
        m_impl->onChange(rc);
}
