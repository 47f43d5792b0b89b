#pragma once

#include "Desktop.h"
#include "Geometry.h"

#include <QImage>
#include <QRect>
#include <optional>

namespace lumeno {

class SnipUtil
{
public:
    // Window-server rectangle -> global rectangle. The flip uses the height of the screen at
    // origin (0, 0) (the last such in the list), else the first screen's.
    static Rect flipToScreenCoordinates(const Rect &windowServer,
                                        const QList<DesktopScreen> &screens);

    // The pixels of `pixels` cut from `image`, encoded as JPEG at quality 100 and decoded back,
    // pixel for pixel what Qt's JPEG writer and reader give; nothing when the rectangle misses
    // the image or the encoding fails. The result keeps the device pixel ratio of `image`. A
    // caller that hands over its only copy of `image` gets the result in `image`'s memory when
    // the crop fills at least half of it; otherwise that memory is freed before the decode. Safe
    // on any thread.
    static std::optional<QImage> cropToJpeg(QImage image, const QRect &pixels);
};

} // namespace lumeno
