#include "Selection.h"

#include <algorithm>
#include <cmath>

namespace lumeno {

Point Selection::handlePoints(int index) const
{
    if (index < 0 || index >= 8)
        return {};
    return lumeno::handlePoints(captureWindowRect)[index];
}

int Selection::hitTestHandle(Point p) const
{
    const Rect &r = captureWindowRect;
    if ((r.width <= 2 * kHandleBand || r.height <= 2 * kHandleBand) && r.contains(p))
        return kMove;
    if (r.insetBy(kHandleBand).contains(p))
        return kMove;
    if (!r.insetBy(-kHandleBand).contains(p))
        return kNoHandle;
    double best = kHandleBand * kHandleBand;
    int result = kNoHandle;
    for (int i = 0; i < 8; ++i) {
        const Point h = handlePoints(i);
        const double d = (p.x - h.x) * (p.x - h.x) + (p.y - h.y) * (p.y - h.y);
        if (d < best) {
            best = d;
            result = i;
        }
    }
    return result;
}

void Selection::dragNewSelection(Point mouse, const Rect &panelFrame)
{
    endPoint = mouse;
    const Rect squares{std::min(startPoint.x, endPoint.x), std::min(startPoint.y, endPoint.y),
                       std::abs(endPoint.x - startPoint.x) + 1,
                       std::abs(endPoint.y - startPoint.y) + 1};
    captureWindowRect = squares.intersected(panelFrame);
}

void Selection::beginAdjust(Point mouse)
{
    startPoint = mouse;
    captureWindowRect = captureWindowRect.standardized();
    dragWindowRect = captureWindowRect;
    dragDirection = hitTestHandle(mouse);
}

bool Selection::dragAdjust(Point mouse, const Rect &panelFrame)
{
    if (dragDirection == kNoHandle)
        return false;
    endPoint = mouse;
    const double dx = endPoint.x - startPoint.x;
    const double dy = endPoint.y - startPoint.y;
    const auto [x, y, w, h] = dragWindowRect;
    Rect n;
    switch (dragDirection) {
    case 0:
        n = {x + dx, y, w - dx, h + dy};
        break;
    case 1:
        n = {x, y, w, h + dy};
        break;
    case 2:
        n = {x, y, w + dx, h + dy};
        break;
    case 3:
        n = {x + dx, y, w - dx, h};
        break;
    case 4:
        n = {x, y, w + dx, h};
        break;
    case 5:
        n = {x + dx, y + dy, w - dx, h - dy};
        break;
    case 6:
        n = {x, y + dy, w, h - dy};
        break;
    case 7:
        n = {x, y + dy, w + dx, h - dy};
        break;
    default: {
        const Rect moved = dragWindowRect.offsetBy(dx, dy);
        if (panelFrame.contains(moved)) {
            n = moved;
        } else {
            const Rect &p = panelFrame;
            n = {std::min(p.maxX() - w, std::max(p.minX(), moved.x)),
                 std::min(p.maxY() - h, std::max(p.minY(), moved.y)), w, h};
            // Measure the next step from where the rectangle really is.
            endPoint = {startPoint.x + n.x - x, startPoint.y + n.y - y};
        }
    }
    }
    dragWindowRect = n;
    // Truncation toward zero: a size strictly between -1 and 1 counts as 1.
    const double width = std::trunc(n.width) == 0 ? 1 : n.width;
    const double height = std::trunc(n.height) == 0 ? 1 : n.height;
    captureWindowRect = Rect{n.x, n.y, width, height}.standardized();
    startPoint = endPoint;
    return true;
}

} // namespace lumeno
