#pragma once

#include "DrawType.h"
#include "Geometry.h"

namespace lumeno {

// One annotation shape, its two points global.
class DrawPathInfo
{
public:
    DrawPathInfo(Point startPoint, Point endPoint, DrawType drawType)
        : startPoint(startPoint), endPoint(endPoint), drawType(drawType)
    {
    }

    Point startPoint;
    Point endPoint;
    DrawType drawType;
};

} // namespace lumeno
