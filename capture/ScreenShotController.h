#pragma once

#include "AnnotationLayer.h"
#include "Desktop.h"
#include "Geometry.h"
#include "MouseEventProtocol.h"
#include "Selection.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

namespace lumeno {

struct Notification;
class ScreenShotManager;
class ScreenShotView;
class ScreenShotWindow;

// One screen of a capture: its grab, the highlight of the window under the mouse, the selection
// made with the mouse and its confirmation to the clipboard.
class ScreenShotController : public QObject, public MouseEventProtocol
{
    Q_OBJECT

public:
    ScreenShotController(ScreenShotManager &manager, const DesktopScreen &screen,
                         QObject *parent = nullptr);
    ~ScreenShotController() override;

    void setWindow(std::unique_ptr<ScreenShotWindow> window);
    ScreenShotWindow *window() const { return m_window.get(); }

    // Takes the screen's grab (nothing when the desktop refused one), veils the panel, wires its
    // events, shows it and draws the first highlight.
    void beginCapture(const std::optional<QImage> &grab);
    void highlightWindowUnderMouse();
    // Hands the view the image and the selection, queued to the event loop; skipped when nothing
    // would change.
    void redrawSelection(std::optional<QImage> image);
    void onNotifyMouseChange(const Notification &notification);

    void onMouseDown(int clickCount) override;
    void onMouseUp(int clickCount) override;
    void onMouseDragged(int clickCount) override;
    void onMouseMoved(int clickCount) override;
    // Crops the selection from the grab to the clipboard and ends the capture, the image made
    // on the thread pool (ScreenShotManager::confirmCapture).
    void confirmCapture();
    // Lets go of the grab everywhere this screen holds it, once its panel has gone for good.
    void releaseScreenImages();

    const Selection &selection() const { return m_selection; }
    const AnnotationStroke &annotationStroke() const { return m_annotationStroke; }
    const std::optional<QImage> &originImage() const { return m_originImage; }
    const DesktopScreen &screen() const { return m_screen; }

private:
    void captureScreenImages(const std::optional<QImage> &grab);
    // Global frame of the panel; the zero rectangle without one.
    Rect panelFrame() const;
    Point mouseLocation() const;
    ScreenShotView *view() const;
    DrawPathView *pathView() const;
    void showWindow();

    ScreenShotManager &m_manager;
    DesktopScreen m_screen;
    std::unique_ptr<ScreenShotWindow> m_window;
    std::optional<QImage> m_originImage;
    Selection m_selection;
    AnnotationStroke m_annotationStroke;
    // The clipped selection last handed to the view.
    Rect m_lastRect;
};

} // namespace lumeno
