#include "SnipUtil.h"

#include <QBuffer>
#include <QImageWriter>

namespace lumeno {

Rect SnipUtil::flipToScreenCoordinates(const Rect &r, const QList<DesktopScreen> &screens)
{
    double height = screens.isEmpty() ? 0.0 : screens.first().frame.height();
    for (const DesktopScreen &screen : screens) {
        if (int(screen.frame.x()) == 0 && int(screen.frame.y()) == 0)
            height = screen.frame.height();
    }
    return {r.x, height - r.y - r.height, r.width, r.height};
}

std::optional<QImage> SnipUtil::cropToJpeg(const QImage &image, const QRect &pixels)
{
    const QRect inside = pixels.intersected(image.rect());
    if (inside.isEmpty())
        return std::nullopt;
    const QImage crop = image.copy(inside);
    if (crop.isNull())
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(100);
    if (!writer.write(crop))
        return std::nullopt;
    QImage decoded = QImage::fromData(bytes, "jpeg");
    if (decoded.isNull())
        return std::nullopt;
    decoded.setDevicePixelRatio(image.devicePixelRatio());
    return decoded;
}

} // namespace lumeno
