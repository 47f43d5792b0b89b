#include "ToolContainer.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

namespace lumeno {

void ToolContainer::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 3, 3);
    painter.setClipPath(clip);
    painter.fillRect(event->rect(), QColor::fromRgbF(0, 0, 0, 0.8f));
}

} // namespace lumeno
