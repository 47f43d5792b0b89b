#include "DrawPathView.h"

#include "ScreenShotManager.h"

#include <QPainter>
#include <QTransform>
#include <cmath>

namespace lumeno {

DrawPathView::DrawPathView(ScreenShotManager &manager, const Rect &screenFrame, QWidget *parent)
    : QWidget(parent), m_manager(manager), m_screenFrame(screenFrame)
{
}

QPainterPath DrawPathView::shapePath(const DrawPathInfo &info, const Rect &screenFrame,
                                     Point viewOrigin)
{
    const Rect panel = geometry::globalToPanel(Rect{info.startPoint.x, info.startPoint.y,
                                                    info.endPoint.x - info.startPoint.x,
                                                    info.endPoint.y - info.startPoint.y},
                                               screenFrame);
    const double px = panel.x - viewOrigin.x;
    const double py = panel.y - viewOrigin.y;
    const double dx = panel.width;
    const double dy = panel.height;
    QPainterPath path;
    switch (info.drawType) {
    case DrawType::rect:
    case DrawType::ellipse: {
        // Only the width decides whether the shape is too thin to draw.
        if (dx * dx < 0.01)
            return path;
        const QRectF r(px + std::min(dx, 0.0), py + std::min(dy, 0.0), std::abs(dx), std::abs(dy));
        if (info.drawType == DrawType::rect)
            path.addRect(r);
        else
            path.addEllipse(r);
        return path;
    }
    case DrawType::arrow: {
        if (std::abs(dx) < 5 && std::abs(dy) < 5)
            return path;
        const double length = std::sqrt(dx * dx + dy * dy);
        path.moveTo(0, 0);
        path.lineTo(length, 0);
        path.lineTo(length - 8, 5);
        path.lineTo(length - 2, 0);
        path.lineTo(length - 8, -5);
        path.lineTo(length, 0);
        path.closeSubpath();
        QTransform transform;
        transform.translate(px, py);
        transform.rotateRadians(std::atan2(dy, dx));
        return transform.map(path);
    }
    }
    return path;
}

void DrawPathView::drawShape(QPainter &painter, const DrawPathInfo &info) const
{
    const QPainterPath path = shapePath(
        info, m_screenFrame,
        {double(x()), double(parentWidget() ? parentWidget()->height() - y() - height() : 0)});
    if (path.isEmpty())
        return;
    painter.save();
    QPen pen = painter.pen();
    pen.setWidthF(kLineWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    if (info.drawType == DrawType::arrow)
        painter.fillPath(path, painter.brush().style() == Qt::NoBrush ? pen.color()
                                                                      : painter.brush().color());
    painter.drawPath(path);
    painter.restore();
}

void DrawPathView::paintEvent(QPaintEvent *)
{
    if (m_manager.captureState() != CaptureState::edit)
        return;
    QPainter painter(this);
    // Shapes are in y-up panel points.
    painter.translate(0, height());
    painter.scale(1, -1);
    painter.save();
    painter.setClipRect(QRectF(0, 0, width(), height()));
    painter.setPen(Qt::red);
    painter.setBrush(Qt::red);
    for (const DrawPathInfo &info : rectArray)
        drawShape(painter, info);
    painter.restore();
    if (currentInfo)
        drawShape(painter, *currentInfo);
}

} // namespace lumeno
