// Platform-private access to a surface's Qt image. Never included outside platform/.
#pragma once

#include "platform/Surface.h"

#include <QImage>

struct CSurface::Impl {
    QImage image;  // Format_RGB32, 0xFFRRGGBB
    ChangeHandler onChange;
};

inline QImage& SurfaceImage(CSurface& surface) { return surface.GetImpl().image; }
inline const QImage& SurfaceImage(const CSurface& surface) { return surface.GetImpl().image; }

// COLORREF (0x00BBGGRR) to and from an opaque Qt pixel (0xFFRRGGBB).
inline QRgb ToQRgb(COLORREF c)
{
    return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF FromQRgb(QRgb p)
{
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}
