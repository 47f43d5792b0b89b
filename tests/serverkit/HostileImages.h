#pragma once

#include <QByteArray>

namespace lumeno::testkit {

enum class DotPattern
{
    // 3x3-pixel dots, 3 pixels apart each way: a mere speck pattern to the layout.
    Dots,
    // 3x3 dots stacked into bars from top to bottom, 3 pixels apart: the bars read as letters
    // as tall as the page, and the page as one piece.
    Bars,
    // Bars 3 pixels wide from top to bottom, beside columns of 3x3 dots as in Dots: the dots set
    // the x-height small, so the one piece the bars make of the page is doubled. The page that
    // costs the server most.
    BarsAndDots,
};

// A square RGBA PNG of black marks on white, `side` pixels a side, written row by row so that
// even 40 megapixels cost the test little memory; it compresses to a few hundred KiB.
QByteArray dottedPng(int side, DotPattern pattern);

// A PNG whose image data stops half-way, and a JPEG cut short after its scan header: libpng and
// libjpeg each have something to say about them.
QByteArray damagedPng();
QByteArray damagedJpeg();

} // namespace lumeno::testkit
