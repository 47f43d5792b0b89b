#include "OverlayView.h"

#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

namespace lumeno {

namespace {

constexpr qreal kShadowBlur = 8;
// Four points down the screen.
constexpr QPointF kShadowOffset(0, 4);
constexpr qreal kStrokeWidth = 2;
constexpr qreal kFillAlpha = 0.2;

// Fills the path black at 0.2 and strokes it in the colour: the shape and, in black, its shadow.
void drawOutline(QPainter &painter, const QPainterPath &path, const QColor &stroke)
{
    painter.fillPath(path, QColor::fromRgbF(0, 0, 0, kFillAlpha));
    painter.strokePath(path, QPen(stroke, kStrokeWidth));
}

// The shadow the outline casts: its shape in black, moved down and blurred.
QImage shadowOf(const QPainterPath &path, const QSize &size)
{
    QImage shape(size, QImage::Format_ARGB32_Premultiplied);
    shape.fill(Qt::transparent);
    {
        QPainter painter(&shape);
        drawOutline(painter, path.translated(kShadowOffset), Qt::black);
    }
    QGraphicsScene scene;
    QGraphicsPixmapItem *item = scene.addPixmap(QPixmap::fromImage(shape));
    auto *blur = new QGraphicsBlurEffect;
    blur->setBlurRadius(kShadowBlur);
    item->setGraphicsEffect(blur);
    QImage blurred(size, QImage::Format_ARGB32_Premultiplied);
    blurred.fill(Qt::transparent);
    QPainter painter(&blurred);
    const QRectF area(QPointF(), size);
    scene.render(&painter, area, area);
    return blurred;
}

} // namespace

OverlayView::OverlayView(QWidget *parent) : QWidget(parent) {}

void OverlayView::paintEvent(QPaintEvent *)
{
    const QList<QWindow *> windows = QGuiApplication::topLevelWindows();
    if (windows.isEmpty())
        return;
    // The frame as the window system gives it, drawn in this view's own coordinates.
    QPainterPath frame;
    frame.addRect(windows.constFirst()->frameGeometry());
    QPainter painter(this);
    // Whatever lay under the frame is wiped out first, so that the veil is the same over any
    // background.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillPath(frame, Qt::transparent);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(0, 0, shadowOf(frame, size()));
    drawOutline(painter, frame, Qt::red);
}

void OverlayView::mousePressEvent(QMouseEvent *)
{
    if (m_overlayWindow)
        m_overlayWindow->hide();
}

} // namespace lumeno
