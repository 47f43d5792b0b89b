#include "ShortcutKeyBox.h"

#include "NoBorderButtonStyle.h"
#include "SymbolIcon.h"
#include "SystemColors.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace lumeno {

namespace {

constexpr int kPadding = 10;
constexpr int kButtonSide = 12;
constexpr qreal kCornerRadius = 8;

QPushButton *makeSymbolButton(const QString &symbol, const QColor &tint, QWidget *parent)
{
    auto *button = new QPushButton(parent);
    NoBorderButtonStyle::apply(button);
    button->setIconSize(QSize(kButtonSide, kButtonSide));
    button->setIcon(SymbolIcon::pixmap(QString(), QStringLiteral(":/lumeno/symbols/") + symbol,
                                       kButtonSide, tint, parent->devicePixelRatioF()));
    button->setFixedSize(kButtonSide, kButtonSide);
    return button;
}

} // namespace

ShortcutKeyBox::ShortcutKeyBox(std::function<void()> tapped, QWidget *parent)
    : QWidget(parent), m_tapped(std::move(tapped)), m_text(new QLabel(this)),
      m_back(makeSymbolButton(QStringLiteral("arrow.backward.circle.fill.svg"),
                              SystemColors::purple(), this)),
      m_clear(makeSymbolButton(QStringLiteral("xmark.circle.fill.svg"), SystemColors::blue(), this))
{
    setFixedSize(kWidth, kHeight);
    // Keys pressed while recording land here rather than in the tab bar, which would take the
    // arrows and Tab for itself; nothing here consumes them.
    setFocusPolicy(Qt::ClickFocus);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setFixedWidth(kTextWidth);

    m_row = new QHBoxLayout(this);
    auto *row = m_row;
    row->addWidget(m_text);
    row->addSpacing(kPadding);
    row->addStretch();
    row->addWidget(m_back);
    row->addWidget(m_clear);
    row->addSpacing(kPadding);
}

void ShortcutKeyBox::display(const QString &text, bool recording)
{
    // Alone, the text with its padding sits in the middle of the box; while recording, the
    // buttons take the room on the right.
    const int side = recording ? 0 : (kWidth - kTextWidth - kPadding) / 2;
    m_row->setContentsMargins(side, 0, 0, 0);
    m_text->setText(text);
    m_back->setVisible(recording);
    m_clear->setVisible(recording);
}

void ShortcutKeyBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.fillPath(box, SystemColors::secondary(palette()));
}

void ShortcutKeyBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        m_tapped();
    QWidget::mouseReleaseEvent(event);
}

} // namespace lumeno
