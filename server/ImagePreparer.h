#pragma once

#include "PixPtr.h"

namespace lumeno {

// Turns a decoded capture into what the engine reads best: grey, dark text on a light
// background, stretched to full contrast, and doubled in size when the text is small.
class ImagePreparer
{
public:
    // Text whose estimated x-height (pixels) is below this is upscaled 2x. Measured on rendered
    // DejaVu Sans: doubling removed every error from 9 to 16 px font size (x-height 5 to 9; at
    // 16 px the engine otherwise drops sentence-final full stops) and changed nothing from
    // 20 px (x-height 11) on, where it only costs time.
    static constexpr int kSmallXHeight = 10;

    // Never null for a valid input; a null result means Leptonica ran out of memory.
    PixPtr prepare(Pix *decoded) const;

    // The median height of the dark marks of a prepared (8-bit, dark on light) image, in
    // pixels; 0 when there are none.
    static int estimateXHeight(Pix *grey);
};

} // namespace lumeno
