#pragma once

#include "PixPtr.h"

#include <QRect>

namespace lumeno {

// A capture made ready for layout and recognition: grey, dark text on a light background,
// stretched to full contrast, at its own size.
struct PreparedPage
{
    PixPtr grey; // null when Leptonica ran out of memory
    // Median height of its small letters in pixels; 0 when it has none.
    int xHeight = 0;
};

// Turns a decoded capture into what the engine reads best. The whole page is made grey and
// turned dark on light once; each piece the engine reads is cut from it, given a margin and
// doubled in size when the text is small, on the worker that reads it.
class ImagePreparer
{
public:
    // Text whose estimated x-height (pixels) is below this is upscaled 2x. Measured on rendered
    // DejaVu Sans: doubling removed every error from 9 to 16 px font size (x-height 5 to 9; at
    // 16 px the engine otherwise drops sentence-final full stops) and changed nothing from
    // 20 px (x-height 11) on, where it only costs time.
    static constexpr int kSmallXHeight = 10;
    // The margin around a piece is its x-height, but no more than this (pixels): the engine
    // only needs a letter's room.
    static constexpr int kMaxMargin = 64;

    PreparedPage prepare(Pix *decoded) const;

    // The part of a prepared page inside `box`, for the engine: a panel of light text on a
    // darker background is turned round (the page as a whole was turned by its majority), and a
    // margin of the piece's own background is added, since the engine misreads marks that
    // touch the image's edge. Null when Leptonica ran out of memory.
    PixPtr piece(Pix *page, const QRect &box, int xHeight) const;

    // The median height of the dark marks of a prepared (8-bit, dark on light) image, in
    // pixels; 0 when there are none.
    static int estimateXHeight(Pix *grey);
};

} // namespace lumeno
