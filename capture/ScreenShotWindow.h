#pragma once

#include "Desktop.h"

#include <QImage>
#include <QWidget>
#include <memory>

namespace lumeno {

class MouseEventProtocol;
class ScreenShotManager;
class ScreenShotView;

// The full-screen overlay of one screen: frameless, above every window including docks and
// panels, on every virtual desktop, with the veiled grab as background. It forwards the mouse
// to its delegate and cancels the whole capture on Escape.
class ScreenShotWindow : public QWidget
{
    Q_OBJECT

public:
    ScreenShotWindow(ScreenShotManager &manager, const DesktopScreen &screen);
    ~ScreenShotWindow() override;

    // The delegate outlives the panel (its controller owns it).
    void setMouseDelegate(MouseEventProtocol *delegate) { m_mouseDelegate = delegate; }
    void setContentView(std::unique_ptr<ScreenShotView> view);
    ScreenShotView *contentView() const { return m_contentView; }
    // The screen's grab, shown under a white veil wherever the content view does not show it
    // plainly. The veil is painted, never kept: a veiled copy would be one more screenful.
    void setBackgroundImage(const QImage &image);
    const QImage &backgroundImage() const { return m_background; }

    // Brings the panel to the front and gives it the keyboard, without activating it.
    void showWindow();
    void orderOut();

signals:
    // After each paint of the panel; benchmarks wait for it.
    void painted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void populateBackingStore();

    ScreenShotManager &m_manager;
    MouseEventProtocol *m_mouseDelegate = nullptr;
    ScreenShotView *m_contentView = nullptr;
    QImage m_background;
    bool m_backingStorePopulated = false;
};

} // namespace lumeno
