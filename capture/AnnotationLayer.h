#pragma once

#include "DrawPathView.h"
#include "Geometry.h"
#include "SimpleLabelView.h"
#include "ToolContainer.h"

#include <QPointer>

namespace lumeno {

// Everything of the annotation layer that the capture carries. The layer is complete, but the
// program attaches none of its views and never enters the capture state edit in which it draws,
// so it never shows; these are the places it would plug in.

// The layer's views a capture view can carry; each stays empty unless attached.
struct AnnotationHooks
{
    QPointer<DrawPathView> pathView;
    QPointer<ToolContainer> toolContainer;
    QPointer<SimpleLabelView> tipView;
};

// The shape a controller's mouse draws in state edit: from a press inside the selection to the
// release. Points are global.
class AnnotationStroke
{
public:
    void mouseDown(Point mouse, const Rect &captureWindowRect);
    // The path view, when there is one, shows the rectangle being drawn.
    void mouseDragged(Point mouse, DrawPathView *pathView);
    // The finished shape is shown but not kept.
    void mouseUp(Point mouse, DrawPathView *pathView);

    Point rectBeginPoint;
    Point rectEndPoint;
    bool rectDrawing = false;
};

} // namespace lumeno
