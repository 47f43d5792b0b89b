#pragma once

#include <QPointer>
#include <QWidget>

namespace lumeno {

// A veil that outlines the application's first window: filled black at 0.2, stroked red, with a
// soft shadow; a press on it orders its window out. Nothing in the program creates one.
class OverlayView : public QWidget
{
    Q_OBJECT

public:
    explicit OverlayView(QWidget *parent = nullptr);

    QWidget *overlayWindow() const { return m_overlayWindow; }
    void setOverlayWindow(QWidget *window) { m_overlayWindow = window; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPointer<QWidget> m_overlayWindow;
};

} // namespace lumeno
