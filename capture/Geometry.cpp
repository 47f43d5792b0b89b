#include "Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lumeno {

double Rect::minX() const
{
    return std::min(x, x + width);
}

double Rect::minY() const
{
    return std::min(y, y + height);
}

double Rect::maxX() const
{
    return std::max(x, x + width);
}

double Rect::maxY() const
{
    return std::max(y, y + height);
}

Rect Rect::standardized() const
{
    return {minX(), minY(), std::abs(width), std::abs(height)};
}

bool Rect::contains(Point p) const
{
    return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
}

bool Rect::contains(const Rect &other) const
{
    return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() &&
           other.maxY() <= maxY();
}

Rect Rect::intersected(const Rect &other) const
{
    const double left = std::max(minX(), other.minX());
    const double right = std::min(maxX(), other.maxX());
    const double bottom = std::max(minY(), other.minY());
    const double top = std::min(maxY(), other.maxY());
    if (right <= left || top <= bottom)
        return {};
    return {left, bottom, right - left, top - bottom};
}

Rect Rect::insetBy(double d) const
{
    const Rect s = standardized();
    return {s.x + d, s.y + d, s.width - 2 * d, s.height - 2 * d};
}

std::array<Point, 8> handlePoints(const Rect &r)
{
    const double left = r.x, middle = r.x + r.width * 0.5, right = r.x + r.width;
    const double bottom = r.y, centre = r.y + r.height * 0.5, top = r.y + r.height;
    return {{{left, top},
             {middle, top},
             {right, top},
             {left, centre},
             {right, centre},
             {left, bottom},
             {middle, bottom},
             {right, bottom}}};
}

namespace geometry {

namespace {

// The screen's area in native pixels: its own origin, its size in points times its ratio.
Rect nativeArea(const DesktopScreen &screen)
{
    return {screen.nativeOrigin.x(), screen.nativeOrigin.y(),
            screen.frame.width() * screen.devicePixelRatio,
            screen.frame.height() * screen.devicePixelRatio};
}

double squaredDistance(const Rect &r, Point p)
{
    const double dx = std::max({r.minX() - p.x, 0.0, p.x - r.maxX()});
    const double dy = std::max({r.minY() - p.y, 0.0, p.y - r.maxY()});
    return dx * dx + dy * dy;
}

const DesktopScreen &holder(const Rect &native, const QList<DesktopScreen> &screens)
{
    const Point centre{native.midX(), native.midY()};
    const DesktopScreen *nearest = &screens.first();
    double best = std::numeric_limits<double>::infinity();
    for (const DesktopScreen &screen : screens) {
        const Rect area = nativeArea(screen);
        if (area.contains(centre))
            return screen;
        if (const double d = squaredDistance(area, centre); d < best) {
            best = d;
            nearest = &screen;
        }
    }
    return *nearest;
}

} // namespace

Rect nativeToWindowServer(const Rect &native, const QList<DesktopScreen> &screens)
{
    if (screens.isEmpty())
        return native;
    const DesktopScreen &screen = holder(native, screens);
    const double ratio = screen.devicePixelRatio > 0 ? screen.devicePixelRatio : 1.0;
    // The screen's top-left corner in window-server points: the window-server origin is the
    // primary screen's top-left corner, the global origin its bottom-left one.
    const double left = screen.frame.x();
    const double top = screens.first().frame.height() - (screen.frame.y() + screen.frame.height());
    return {left + (native.x - screen.nativeOrigin.x()) / ratio,
            top + (native.y - screen.nativeOrigin.y()) / ratio, native.width / ratio,
            native.height / ratio};
}

Rect globalToPanel(const Rect &global, const Rect &screenFrame)
{
    return global.offsetBy(-screenFrame.x, -screenFrame.y);
}

QRectF panelToWidget(const Rect &panel, double panelHeight)
{
    const Rect s = panel.standardized();
    return {s.x, panelHeight - s.y - s.height, s.width, s.height};
}

Point panelToWidget(Point panel, double panelHeight)
{
    return {panel.x, panelHeight - panel.y};
}

QRect panelToImage(const Rect &panel, double panelHeight, double devicePixelRatio)
{
    const QRectF widget = panelToWidget(panel, panelHeight);
    // A tiny tolerance keeps 1.25 * 80 = 100.00000000000001 from growing by a whole pixel.
    constexpr double slack = 1e-9;
    const int left = int(std::floor(widget.left() * devicePixelRatio + slack));
    const int top = int(std::floor(widget.top() * devicePixelRatio + slack));
    const int right = int(std::ceil(widget.right() * devicePixelRatio - slack));
    const int bottom = int(std::ceil(widget.bottom() * devicePixelRatio - slack));
    return QRect(left, top, right - left, bottom - top);
}

QRectF imageToWidget(const QRect &pixels, double devicePixelRatio)
{
    return {pixels.x() / devicePixelRatio, pixels.y() / devicePixelRatio,
            pixels.width() / devicePixelRatio, pixels.height() / devicePixelRatio};
}

QRect wholePixelsInside(const QRectF &widget)
{
    constexpr double slack = 1e-9;
    const int left = int(std::ceil(widget.left() - slack));
    const int top = int(std::ceil(widget.top() - slack));
    const int right = int(std::floor(widget.right() + slack));
    const int bottom = int(std::floor(widget.bottom() + slack));
    if (right <= left || bottom <= top)
        return {};
    return QRect(left, top, right - left, bottom - top);
}

} // namespace geometry

} // namespace lumeno
