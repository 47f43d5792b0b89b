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

struct Jpeg
{
    TurboJpegBytes bytes{nullptr, &tjFree};
    unsigned long size = 0;
};

// Quality 100 and 4:2:0 with the accurate transform: what Qt's own JPEG writer asks of the same
// library, so the pixels are those of Qt's round trip, without its pixel-by-pixel conversions.
std::optional<Jpeg> encode(const QImage &image, const QRect &inside)
{
    // Read where it lies in the grab: a copy of the crop would be one more screenful to fill.
    const bool inPlace = isFourByteRgb(image.format());
    const QImage source =
        inPlace ? image : image.copy(inside).convertToFormat(QImage::Format_RGB32);
    const QPoint origin = inPlace ? inside.topLeft() : QPoint(0, 0);
    TurboJpeg encoder(tjInitCompress(), &tjDestroy);
    if (source.isNull() || !encoder)
        return std::nullopt;
    unsigned char *encoded = nullptr;
    Jpeg jpeg;
    const int failed =
        tjCompress2(encoder.get(), source.constScanLine(origin.y()) + origin.x() * 4,
                    inside.width(), int(source.bytesPerLine()), inside.height(), kPixelFormat,
                    &encoded, &jpeg.size, TJSAMP_420, 100, TJFLAG_ACCURATEDCT);
    jpeg.bytes.reset(encoded);
    if (failed != 0 || !jpeg.bytes)
        return std::nullopt;
    return jpeg;
}

void releaseImage(void *image)
{
    delete static_cast<QImage *>(image);
}

// Where the decoded pixels go. Into the grab itself when the caller handed over its only copy
// and the image fills at least half of it: the grab is spent once encoded and its pages are
// already touched, while a fresh mapping of a near-screenful costs as much to fault in as the
// decode itself. The saving grows with the crop and the memory pinned beyond the image shrinks
// with it; from half up, the image never pins more than twice its own size. Below half, a fresh
// mapping of the image's size is cheap to touch, while reusing the grab would pin a screenful
// for as long as the clipboard or the popover holds the image: a 100 x 100 crop of a 4K grab
// would keep over 800 times its own size.
std::optional<QImage> decodeTarget(QImage grab, QSize size)
{
    const qsizetype bytesPerLine = qsizetype(size.width()) * 4;
    const qsizetype needed = bytesPerLine * size.height();
    if (!grab.isDetached() || !isFourByteRgb(grab.format()) || grab.sizeInBytes() < needed ||
        needed * 2 < grab.sizeInBytes()) {
        // Let go before mapping anew, so the grab and the image never live at once.
        grab = QImage();
        return MemoryMapping::image(size, QImage::Format_RGB32);
    }
    auto *owner = new QImage(std::move(grab));
    QImage target(owner->bits(), size.width(), size.height(), bytesPerLine, QImage::Format_RGB32,
                  releaseImage, owner);
    if (target.isNull()) {
        delete owner;
        return std::nullopt;
    }
    return target;
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

std::optional<QImage> SnipUtil::cropToJpeg(QImage image, const QRect &pixels)
{
    const QRect inside = pixels.intersected(image.rect());
    if (inside.isEmpty())
        return std::nullopt;
    std::optional<Jpeg> jpeg = encode(image, inside);
    if (!jpeg)
        return std::nullopt;
    const qreal ratio = image.devicePixelRatio();
    const int dotsPerMeterX = image.dotsPerMeterX(), dotsPerMeterY = image.dotsPerMeterY();
    std::optional<QImage> decoded = decodeTarget(std::move(image), inside.size());
    TurboJpeg decoder(tjInitDecompress(), &tjDestroy);
    if (!decoded || !decoder)
        return std::nullopt;
    if (tjDecompress2(decoder.get(), jpeg->bytes.get(), jpeg->size, decoded->bits(), inside.width(),
                      int(decoded->bytesPerLine()), inside.height(), kPixelFormat, 0) != 0)
        return std::nullopt;
    decoded->setDevicePixelRatio(ratio);
    decoded->setDotsPerMeterX(dotsPerMeterX);
    decoded->setDotsPerMeterY(dotsPerMeterY);
    return decoded;
}

} // namespace lumeno
