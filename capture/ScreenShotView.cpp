#include "ScreenShotView.h"

#include "ScreenShotManager.h"
#include "StandardOutput.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

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
    // A full-screen panel repainted whole for every highlight would move the whole screen's
    // pixels each time the mouse crosses into another window.
    const QRect before = footprint();
    m_image = image;
    m_drawingRect = drawingRect;
    update(QRegion(before) + footprint());
}

void ScreenShotView::setNeedsDisplay()
{
    update(footprint());
}

QRect ScreenShotView::imagePixels() const
{
    const Rect r = clippedDrawingRect();
    if (!m_image || r.isZero())
        return {};
    return geometry::panelToImage(r, height(), m_image->devicePixelRatio());
}

QRect ScreenShotView::unveiledArea() const
{
    if (!m_image)
        return {};
    return geometry::wholePixelsInside(
        geometry::imageToWidget(imagePixels(), m_image->devicePixelRatio()));
}

QRect ScreenShotView::footprint() const
{
    if (!m_image)
        return {};
    // The border's outer half and the handle dots reach past the selection, antialiased.
    const int reach = int(std::ceil(std::max(kBorderWidth / 2, kHandleRadius))) + 2;
    return geometry::panelToWidget(clippedDrawingRect(), height())
        .toAlignedRect()
        .adjusted(-reach, -reach, reach, reach);
}

Rect ScreenShotView::clippedDrawingRect() const
{
    if (!m_drawingRect)
        return {};
    return m_drawingRect->intersected(Rect{0, 0, double(width()), double(height())});
}

void ScreenShotView::showToolkit() const
{
    printLine(QStringLiteral("show toolkit: <ScreenShotView: 0x%1>")
                  .arg(reinterpret_cast<quintptr>(this), 0, 16));
}

void ScreenShotView::showSizeTip()
{
    if (!m_drawingRect || !m_annotation.tipView)
        return;
    const Rect s = clippedDrawingRect();
    m_annotation.tipView->setText(QStringLiteral("%1X%2").arg(int(s.width)).arg(int(s.height)));
    // The label sits at the mouse, pulled back inside the panel near its top and right edges.
    const QPointF globalMouse = m_manager.desktop().mouseLocation();
    const Rect &f = m_screenFrame;
    const double px = globalMouse.x() > f.maxX() - 100 ? globalMouse.x() - 100 : globalMouse.x();
    const double py = globalMouse.y() > f.maxY() - 26 ? globalMouse.y() - 26 : globalMouse.y();
    const Rect label =
        geometry::globalToPanel(Rect{std::max(f.minX(), px), std::max(f.minY(), py), 100, 25}, f);
    m_annotation.tipView->setGeometry(geometry::panelToWidget(label, height()).toRect());
    m_annotation.tipView->show();
}

void ScreenShotView::hideSizeTip()
{
    if (m_annotation.tipView)
        m_annotation.tipView->hide();
}

void ScreenShotView::hideAnnotationTools()
{
    if (m_annotation.toolContainer)
        m_annotation.toolContainer->hide();
    hideSizeTip();
}

void ScreenShotView::paintEvent(QPaintEvent *)
{
    if (!m_image)
        return;
    const Rect r = clippedDrawingRect();
    const double h = height();
    QPainter painter(this);
    if (!r.isZero()) {
        // Whole pixels of the grab, drawn back onto the points they cover.
        const QRect source = imagePixels();
        painter.drawImage(geometry::imageToWidget(source, m_image->devicePixelRatio()), *m_image,
                          source);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor::fromRgb(kBorderColor), kBorderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(geometry::panelToWidget(r, h));
    if (m_manager.captureState() != CaptureState::adjust)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (const Point &p : handlePoints(r)) {
        const Point w = geometry::panelToWidget(p, h);
        painter.drawEllipse(QPointF(w.x, w.y), kHandleRadius, kHandleRadius);
    }
}

} // namespace lumeno
