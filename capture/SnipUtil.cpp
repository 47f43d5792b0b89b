#include "SnipUtil.h"

#include "MemoryMapping.h"

#include <memory>
#include <turbojpeg.h>

namespace lumeno {

namespace {

using TurboJpeg = std::unique_ptr<void, decltype(&tjDestroy)>;
using TurboJpegBytes = std::unique_ptr<unsigned char, decltype(&tjFree)>;

// RGB32 and both ARGB32 forms as they lie in memory, the fourth byte ignored as Qt's JPEG writer
// ignores it.
constexpr int kPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;

bool isFourByteRgb(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

} // namespace

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
    // Read where it lies in the grab: a copy of the crop would be one more screenful to fill.
    const QImage source = isFourByteRgb(image.format())
                              ? image
                              : image.copy(inside).convertToFormat(QImage::Format_RGB32);
    const QPoint origin = isFourByteRgb(image.format()) ? inside.topLeft() : QPoint(0, 0);
    if (source.isNull())
        return std::nullopt;

    // Quality 100 and 4:2:0 with the accurate transform: what Qt's own JPEG writer asks of the
    // same library, so the pixels are those of Qt's round trip, without its pixel-by-pixel
    // conversions.
    TurboJpeg encoder(tjInitCompress(), &tjDestroy);
    if (!encoder)
        return std::nullopt;
    unsigned char *encoded = nullptr;
    unsigned long size = 0;
    const int failed =
        tjCompress2(encoder.get(), source.constScanLine(origin.y()) + origin.x() * 4,
                    inside.width(), int(source.bytesPerLine()), inside.height(), kPixelFormat,
                    &encoded, &size, TJSAMP_420, 100, TJFLAG_ACCURATEDCT);
    TurboJpegBytes bytes(encoded, &tjFree);
    if (failed != 0 || !bytes)
        return std::nullopt;

    // A mapping of its own, so the screenful goes back to the system with the image.
    std::optional<QImage> decoded = MemoryMapping::image(inside.size(), QImage::Format_RGB32);
    TurboJpeg decoder(tjInitDecompress(), &tjDestroy);
    if (!decoded || !decoder)
        return std::nullopt;
    if (tjDecompress2(decoder.get(), bytes.get(), size, decoded->bits(), inside.width(),
                      int(decoded->bytesPerLine()), inside.height(), kPixelFormat, 0) != 0)
        return std::nullopt;
    decoded->setDevicePixelRatio(image.devicePixelRatio());
    decoded->setDotsPerMeterX(image.dotsPerMeterX());
    decoded->setDotsPerMeterY(image.dotsPerMeterY());
    return decoded;
}

} // namespace lumeno
