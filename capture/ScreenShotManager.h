#pragma once

#include "CaptureState.h"
#include "Desktop.h"
#include "DrawType.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

namespace lumeno {

class ScreenShotController;

// Opens and closes captures: one controller, panel and view per screen, the shared CaptureState
// and the kNotifyCaptureEnd notification at the end of every capture. Main thread only.
class ScreenShotManager : public QObject
{
    Q_OBJECT

public:
    // The program's one manager over the desktop the platform offers, made on first use and
    // kept to the end of the program. Needs a QGuiApplication.
    static ScreenShotManager &shared();

    // A manager over a desktop the caller keeps alive (tests use a fake).
    explicit ScreenShotManager(Desktop &desktop, QObject *parent = nullptr);
    ~ScreenShotManager() override;

    // Opens a capture on every screen; does nothing while one is open.
    void startCapture();
    // Closes the open capture and posts kNotifyCaptureEnd, with the image or without userInfo;
    // does nothing when no capture is open.
    void endCapture(std::optional<QImage> image);
    // A switch of virtual desktop or a change of the screens: cancels the open capture.
    void screenChanged(const QVariantMap &userInfo);
    // Confirms the open capture with the pixels of `grab` inside `pixels`: every panel goes at
    // once and lets go of its grab, and the image, JPEG-encoded and decoded on the thread pool,
    // then goes to the clipboard and ends the capture, unless it has ended otherwise by then. An
    // image that cannot be made ends it without one. Does nothing while a confirmation is under
    // way.
    void confirmCapture(QImage grab, const QRect &pixels);

    bool isWorking() const { return m_isWorking; }
    // From a confirmation until the capture's end.
    bool isConfirming() const { return m_isConfirming; }
    CaptureState captureState() const { return m_captureState; }
    void setCaptureState(CaptureState state) { m_captureState = state; }
    DrawType drawType() const { return m_drawType; }
    // The window list taken at the start of the last capture, front to back.
    const QList<DesktopWindow> &arrayRect() const { return m_arrayRect; }
    // The controllers of the open capture, in the order of the desktop's screens.
    std::vector<ScreenShotController *> windowControllerArray() const;
    Desktop &desktop() const { return m_desktop; }

private:
    ScreenShotManager(std::unique_ptr<Desktop> desktop);
    void orderOutPanels();

    std::unique_ptr<Desktop> m_ownDesktop;
    Desktop &m_desktop;
    std::vector<QPointer<ScreenShotController>> m_windowControllerArray;
    QList<DesktopWindow> m_arrayRect;
    CaptureState m_captureState = CaptureState::idle;
    DrawType m_drawType = DrawType::rect;
    bool m_isWorking = false;
    bool m_isConfirming = false;
    // Tells a confirmation's late image which capture it belongs to.
    quint64 m_captureNumber = 0;
};

} // namespace lumeno
