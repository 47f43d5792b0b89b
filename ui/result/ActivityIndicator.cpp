#include "ActivityIndicator.h"

#include <QPainter>
#include <QtMath>

namespace lumeno {

namespace {
// One full turn takes kElementCount steps of this many milliseconds.
constexpr int kStepMs = 100;
} // namespace

ActivityIndicator::ActivityIndicator(QWidget *parent)
    : QWidget(parent), m_color(palette().color(QPalette::WindowText))
{
    m_timer.setInterval(kStepMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_phase = (m_phase + 1) % kElementCount;
        update();
    });
}

void ActivityIndicator::setColor(const QColor &color)
{
    m_color = color;
    update();
}

void ActivityIndicator::setAnimating(bool animating)
{
    m_animating = animating;
    updateTimer();
    update();
}

void ActivityIndicator::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateTimer();
}

void ActivityIndicator::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateTimer();
}

void ActivityIndicator::updateTimer()
{
    // No wake-ups while nobody can see the animation.
    if (m_animating && isVisible())
        m_timer.start();
    else
        m_timer.stop();
}

void ActivityIndicator::paintEvent(QPaintEvent *)
{
    if (!m_animating)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const qreal side = qMin(width(), height());
    const qreal dot = side / 5.0;
    const qreal radius = (side - dot) / 2.0;
    const QPointF centre = rect().toRectF().center();
    for (int i = 0; i < kElementCount; ++i) {
        // Dots fade behind the brightest one, so the eye reads the direction of travel.
        const int behind = (m_phase - i + kElementCount) % kElementCount;
        QColor color = m_color;
        color.setAlphaF(m_color.alphaF() * (1.0 - behind / qreal(kElementCount)));
        painter.setBrush(color);
        const qreal angle = 2.0 * M_PI * i / kElementCount - M_PI / 2.0;
        const QPointF at = centre + QPointF(radius * qCos(angle), radius * qSin(angle));
        painter.drawEllipse(at, dot / 2.0, dot / 2.0);
    }
}

} // namespace lumeno
