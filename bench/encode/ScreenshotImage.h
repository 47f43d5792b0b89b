#pragma once

#include <QImage>

namespace lumeno::bench {

// A screen-like test image of the given size: flat panels, a title bar, lines of text, a
// colour gradient and a grainy photo-like panel, in the format a screen grab gives (RGB32).
QImage screenshotLikeImage(int width, int height);

} // namespace lumeno::bench
