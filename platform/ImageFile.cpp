#include "platform/ImageFile.h"

#include <QImage>
#include <QString>

#include <cstring>

BOOL SaveRgb32AsPng(LPCTSTR path, const DWORD* pixels, int width, int height)
{
    if (!path || !pixels || width <= 0 || height <= 0)
        return FALSE;
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull())
        return FALSE;
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels + std::size_t(y) * std::size_t(width), std::size_t(width) * 4);
    return image.save(QString::fromLocal8Bit(path), "PNG") ? TRUE : FALSE;
}
