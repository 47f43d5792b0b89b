#pragma once

#include "Desktop.h"

#include <QHash>
#include <functional>

namespace lumeno {

// A desktop whose screens, mouse, window list and grabs the test sets. By default each screen's
// grab is black, frame size times its device pixel ratio, with that ratio set.
class FakeDesktop : public Desktop
{
    Q_OBJECT

public:
    using Desktop::Desktop;

    void setScreens(QList<DesktopScreen> screens) { m_screens = std::move(screens); }
    void setMouseLocation(QPointF location) { m_mouse = location; }
    void setWindowList(QList<DesktopWindow> windows) { m_windows = std::move(windows); }
    // The grab of the screen at that index of screens(); nothing means the desktop refuses.
    void setGrab(int screenIndex, std::optional<QImage> grab) { m_grabs[screenIndex] = grab; }
    int grabCount() const { return m_grabCount; }
    // Called at the start of every grab, to look at the desktop as it is then.
    std::function<void()> onGrab;
    int windowListCount() const { return m_windowListCount; }

    void emitActiveSpaceChanged(const QVariantMap &userInfo) { emit activeSpaceChanged(userInfo); }
    void emitScreenParametersChanged(const QVariantMap &userInfo)
    {
        emit screenParametersChanged(userInfo);
    }

    QList<DesktopScreen> screens() const override { return m_screens; }
    QPointF mouseLocation() const override { return m_mouse; }
    QList<DesktopWindow> windowList() const override;
    std::optional<QImage> grabScreen(const DesktopScreen &screen) const override;

    // A black grab of the screen with its ratio set.
    static QImage blankGrab(const DesktopScreen &screen);

private:
    QList<DesktopScreen> m_screens;
    QPointF m_mouse;
    QList<DesktopWindow> m_windows;
    QHash<int, std::optional<QImage>> m_grabs;
    mutable int m_grabCount = 0;
    mutable int m_windowListCount = 0;
};

} // namespace lumeno
