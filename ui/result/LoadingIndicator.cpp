#include "LoadingIndicator.h"

#include "ActivityIndicator.h"
#include "SystemColors.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace lumeno {

namespace {
constexpr int kIndicatorSide = 50;
constexpr qreal kCornerRadius = 20;
} // namespace

LoadingIndicator::LoadingIndicator(bool showLoadingIndicator, bool isVisible, QWidget *parent)
    : QWidget(parent), m_indicator(new ActivityIndicator(this))
{
    setFixedSize(kSide, kSide);
    auto *layout = new QVBoxLayout(this);
    layout->setAlignment(Qt::AlignCenter);
    m_indicator->setFixedSize(kIndicatorSide, kIndicatorSide);
    m_indicator->setColor(SystemColors::orange());
    m_indicator->setAnimating(showLoadingIndicator);
    layout->addWidget(m_indicator, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QStringLiteral("LOADING"), this), 0, Qt::AlignHCenter);
    // An explicit hide outlasts the parent's show, and a hidden widget takes no room in a layout.
    if (!isVisible)
        hide();
}

bool LoadingIndicator::showLoadingIndicator() const
{
    return m_indicator->isAnimating();
}

void LoadingIndicator::setShowLoadingIndicator(bool show)
{
    m_indicator->setAnimating(show);
}

void LoadingIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect(), kCornerRadius, kCornerRadius);
    // The secondary colour inverted: a light panel on a dark palette and the other way round.
    QColor background = SystemColors::secondary(palette());
    background.setRgb(255 - background.red(), 255 - background.green(), 255 - background.blue(),
                      background.alpha());
    painter.fillPath(shape, background);
}

} // namespace lumeno
