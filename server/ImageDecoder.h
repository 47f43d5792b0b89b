#pragma once

#include "PixPtr.h"
#include "Refusal.h"

#include <QByteArray>

namespace lumeno {

struct ImageLimits
{
    int maxSide = 10000;           // pixels, either side
    qint64 maxPixels = 40'000'000; // width times height
};

// Turns PNG or JPEG bytes into a Leptonica image, reading the header first so that no decoder
// ever sees an image past the limits or in another format.
class ImageDecoder
{
public:
    explicit ImageDecoder(ImageLimits limits = {}) : m_limits(limits) {}

    OrRefusal<PixPtr> decode(const QByteArray &bytes) const;
    const ImageLimits &limits() const { return m_limits; }

private:
    ImageLimits m_limits;
};

} // namespace lumeno
