#include "AnnotationLayer.h"

namespace lumeno {

void AnnotationStroke::mouseDown(Point mouse, const Rect &captureWindowRect)
{
    if (!captureWindowRect.contains(mouse))
        return;
    rectBeginPoint = mouse;
    rectDrawing = true;
}

void AnnotationStroke::mouseDragged(Point mouse, DrawPathView *pathView)
{
    if (!rectDrawing)
        return;
    rectEndPoint = mouse;
    if (pathView) {
        pathView->currentInfo = DrawPathInfo(rectBeginPoint, rectEndPoint, DrawType::rect);
        pathView->update();
    }
}

void AnnotationStroke::mouseUp(Point mouse, DrawPathView *pathView)
{
    if (!rectDrawing)
        return;
    rectDrawing = false;
    rectEndPoint = mouse;
    if (pathView)
        pathView->update();
}

} // namespace lumeno
