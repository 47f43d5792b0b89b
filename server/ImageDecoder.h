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

// What an image's header says, before anything is decoded.
struct ImageHeader
{
    int width = 0;
    int height = 0;
    qint64 pixels() const { return static_cast<qint64>(width) * height; }
};

// Turns PNG or JPEG bytes into a Leptonica image, reading the header first so that no decoder
// ever sees an image past the limits or in another format.
class ImageDecoder
{
public:
    explicit ImageDecoder(ImageLimits limits = {}) : m_limits(limits) {}

    // The header alone, checked against the limits; cheap, whatever the image's size.
    OrRefusal<ImageHeader> header(const QByteArray &bytes) const;
    OrRefusal<PixPtr> decode(const QByteArray &bytes) const;
    const ImageLimits &limits() const { return m_limits; }

private:
    ImageLimits m_limits;
};

} // namespace lumeno
