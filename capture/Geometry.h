#pragma once

#include "Desktop.h"

#include <QList>
#include <QRect>
#include <QRectF>
#include <array>

namespace lumeno {

// A point of the capture, in points (64-bit floats). Which space it is in is said where it is used.
struct Point
{
    double x = 0;
    double y = 0;

    friend bool operator==(const Point &, const Point &) = default;
};

// A rectangle of the capture: origin and size in points. Width and height may be negative until
// standardized; the predicates below work on the standardized rectangle, like the window
// server's rectangle functions the capture logic was designed against.
struct Rect
{
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double minX() const;
    double minY() const;
    double maxX() const;
    double maxY() const;
    double midX() const { return x + width * 0.5; }
    double midY() const { return y + height * 0.5; }

    // A negative width or height becomes positive by moving the origin by it.
    Rect standardized() const;
    // min <= coordinate < max on both axes.
    bool contains(Point p) const;
    bool contains(const Rect &other) const;
    // The zero rectangle when the two do not overlap.
    Rect intersected(const Rect &other) const;
    Rect offsetBy(double dx, double dy) const { return {x + dx, y + dy, width, height}; }
    // Shrinks by d on every side (grows for negative d).
    Rect insetBy(double d) const;
    bool isZero() const { return x == 0 && y == 0 && width == 0 && height == 0; }

    // The same numbers; the space stays what it was.
    static Rect fromQt(const QRectF &r) { return {r.x(), r.y(), r.width(), r.height()}; }

    friend bool operator==(const Rect &, const Rect &) = default;
};

// The eight handle points of a rectangle with y up, in the selection's order: 0 top-left,
// 1 top-middle, 2 top-right, 3 middle-left, 4 middle-right, 5 bottom-left, 6 bottom-middle,
// 7 bottom-right.
std::array<Point, 8> handlePoints(const Rect &r);

// The unit conversions of a capture. Spaces:
// - native: the desktop's own pixels, in which window bounds come (on X11 the root window's),
//   origin top-left, y down; each screen has its own origin and ratio there;
// - global: points, origin at the bottom-left corner of the primary screen, y up;
// - window server: points, origin at the top-left corner of the primary screen, y down;
// - panel: points, origin at the bottom-left corner of one screen's panel, y up;
// - widget: Qt logical pixels of that panel, origin top-left, y down;
// - image: device pixels of that screen's grab, origin top-left, y down.
namespace geometry {

// Native -> window server, through the screen that holds the rectangle's centre (the screen Qt
// itself puts such a window on), or the nearest screen when none does. screens: the primary
// first. Unchanged without screens.
Rect nativeToWindowServer(const Rect &native, const QList<DesktopScreen> &screens);
// Global -> panel of the screen whose global frame is screenFrame.
Rect globalToPanel(const Rect &global, const Rect &screenFrame);
// Panel (y up) -> widget (y down) of a panel panelHeight points tall.
QRectF panelToWidget(const Rect &panel, double panelHeight);
Point panelToWidget(Point panel, double panelHeight);
// Panel points -> the device pixels of a grab with the given ratio, outward to whole pixels so a
// fractional ratio never loses an edge row.
QRect panelToImage(const Rect &panel, double panelHeight, double devicePixelRatio);
// Device pixels of a grab -> the widget rectangle they cover, fractional at a fractional ratio.
QRectF imageToWidget(const QRect &pixels, double devicePixelRatio);
// The whole widget pixels inside a widget rectangle: what it covers entirely.
QRect wholePixelsInside(const QRectF &widget);

} // namespace geometry

} // namespace lumeno
