#include "ScreenShotView.h"

#include "ScreenShotManager.h"
#include "SimpleLabelView.h"
#include "ToolContainer.h"

#include <QPainter>
#include <algorithm>
#include <cstdio>

namespace lumeno {

ScreenShotView::ScreenShotView(ScreenShotManager &manager, const Rect &screenFrame)
    : m_manager(manager), m_screenFrame(screenFrame)
{
    // The panel takes the mouse; the view only draws.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(int(screenFrame.width), int(screenFrame.height));
}

void ScreenShotView::setSelection(const std::optional<QImage> &image, const Rect &drawingRect)
{
    m_image = image;
    m_drawingRect = drawingRect;
    update();
}

Rect ScreenShotView::clippedDrawingRect() const
{
    if (!m_drawingRect)
        return {};
    return m_drawingRect->intersected(Rect{0, 0, double(width()), double(height())});
}

void ScreenShotView::showToolkit() const
{
    std::printf("show toolkit: <ScreenShotView: %p>\n", static_cast<const void *>(this));
    std::fflush(stdout);
}

void ScreenShotView::showSizeTip()
{
    if (!m_drawingRect || !m_tipView)
        return;
    const Rect s = clippedDrawingRect();
    m_tipView->setText(QStringLiteral("%1X%2").arg(int(s.width)).arg(int(s.height)));
    // The label sits at the mouse, pulled back inside the panel near its top and right edges.
    const QPointF globalMouse = m_manager.desktop().mouseLocation();
    const Rect &f = m_screenFrame;
    const double px = globalMouse.x() > f.maxX() - 100 ? globalMouse.x() - 100 : globalMouse.x();
    const double py = globalMouse.y() > f.maxY() - 26 ? globalMouse.y() - 26 : globalMouse.y();
    const Rect label =
        geometry::globalToPanel(Rect{std::max(f.minX(), px), std::max(f.minY(), py), 100, 25}, f);
    m_tipView->setGeometry(geometry::panelToWidget(label, height()).toRect());
    m_tipView->show();
}

void ScreenShotView::hideSizeTip()
{
    if (m_tipView)
        m_tipView->hide();
}

void ScreenShotView::hideAnnotationTools()
{
    if (m_toolContainer)
        m_toolContainer->hide();
    hideSizeTip();
}

void ScreenShotView::paintEvent(QPaintEvent *)
{
    if (!m_image)
        return;
    const Rect r = clippedDrawingRect();
    const double h = height();
    const QRectF target = geometry::panelToWidget(r, h);
    QPainter painter(this);
    if (!r.isZero()) {
        const double dpr = m_image->devicePixelRatio();
        const QRectF source(target.x() * dpr, target.y() * dpr, target.width() * dpr,
                            target.height() * dpr);
        painter.drawImage(target, *m_image, source);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor::fromRgb(kBorderColor), kBorderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(target);
    if (m_manager.captureState() != CaptureState::adjust)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const Point handles[] = {{r.minX(), r.maxY()}, {r.midX(), r.maxY()}, {r.maxX(), r.maxY()},
                             {r.minX(), r.midY()}, {r.maxX(), r.midY()}, {r.minX(), r.minY()},
                             {r.midX(), r.minY()}, {r.maxX(), r.minY()}};
    for (const Point &p : handles) {
        const Point w = geometry::panelToWidget(p, h);
        painter.drawEllipse(QPointF(w.x, w.y), kHandleRadius, kHandleRadius);
    }
}

} // namespace lumeno
