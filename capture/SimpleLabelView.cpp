#include "SimpleLabelView.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

namespace lumeno {

void SimpleLabelView::setText(const QString &text)
{
    m_text = text;
    update();
}

void SimpleLabelView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(rect()), 6, 6);
    painter.setClipPath(clip);
    painter.fillRect(event->rect(), QColor::fromRgbF(0, 0, 0, 0.8f));
    if (m_text.isEmpty())
        return;
    QFont font = painter.font();
    font.setBold(true);
    font.setPixelSize(12);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_text);
}

} // namespace lumeno
