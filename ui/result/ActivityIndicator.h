#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

namespace lumeno {

// A spinner of eight dots on a circle, tinted by its colour; the brightest dot walks round while
// it animates. It draws nothing while not animating.
class ActivityIndicator : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kElementCount = 8;

    explicit ActivityIndicator(QWidget *parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor &color);

    bool isAnimating() const { return m_animating; }
    void setAnimating(bool animating);

    // Which dot is brightest now, 0 to kElementCount - 1.
    int phase() const { return m_phase; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateTimer();

    QColor m_color;
    bool m_animating = false;
    int m_phase = 0;
    QTimer m_timer;
};

} // namespace lumeno
