#pragma once

#include "Geometry.h"

namespace lumeno {

// The selection of one screen and the drag that changes it. Every point and rectangle is global.
class Selection
{
public:
    static constexpr int kNoHandle = -1;
    static constexpr int kMove = 8;
    // Half the width of the band around the edge in which a handle can be picked.
    static constexpr double kHandleBand = 8;

    // The handle point of captureWindowRect: 0 top-left, 1 top-middle, 2 top-right, 3
    // middle-left, 4 middle-right, 5 bottom-left, 6 bottom-middle, 7 bottom-right (y up);
    // (0, 0) for any other index.
    Point handlePoints(int index) const;
    // kMove inside, the nearest handle closer than kHandleBand in the band around the edge (the
    // lower index on a tie), kNoHandle elsewhere.
    int hitTestHandle(Point p) const;

    // A new rectangle: the drag starts at `mouse`.
    void beginNewSelection(Point mouse) { startPoint = mouse; }
    // The union of the 1 x 1 squares at startPoint and `mouse`, clipped to the panel.
    void dragNewSelection(Point mouse, const Rect &panelFrame);
    // A mouse down on an existing selection: picks the handle or the inside under `mouse`.
    void beginAdjust(Point mouse);
    // Moves or resizes by the motion since the last step; false when no handle was picked.
    bool dragAdjust(Point mouse, const Rect &panelFrame);

    Rect captureWindowRect;
    // The rectangle being moved or resized; may hold a negative size after a flip.
    Rect dragWindowRect;
    Point startPoint;
    Point endPoint;
    int dragDirection = kNoHandle;
};

} // namespace lumeno
