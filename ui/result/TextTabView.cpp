#include "TextTabView.h"

#include "SystemColors.h"
#include "TextPane.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace lumeno {

namespace {
constexpr qreal kCornerRadius = 20;
} // namespace

TextTabView::TextTabView(QWidget *parent)
    : QWidget(parent), m_ocrPane(new TextPane(tr("OCR Results"), this)),
      m_translationPane(new TextPane(tr("Translation"), this))
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_ocrPane, 1);
    row->addWidget(m_translationPane, 1);
}

void TextTabView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The clip takes the panes' square corners along with the background's.
    QPainterPath shape;
    shape.addRoundedRect(rect(), kCornerRadius, kCornerRadius);
    setMask(QRegion(shape.toFillPolygon().toPolygon()));
}

void TextTabView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect(), kCornerRadius, kCornerRadius);
    painter.fillPath(shape, SystemColors::secondary(palette(), 0.2));
}

} // namespace lumeno
