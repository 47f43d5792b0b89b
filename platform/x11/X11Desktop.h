#pragma once

#include "../Desktop.h"
#include "../QtScreens.h"
#include "X11ScreenGrab.h"

#include <QAbstractNativeEventFilter>
#include <memory>

namespace lumeno {

class X11Connection;

// The desktop of an EWMH window manager on X11, read through Qt's own X connection.
class X11Desktop : public Desktop, private QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // Nothing when the application has no X connection.
    static std::unique_ptr<X11Desktop> create(QObject *parent = nullptr);
    ~X11Desktop() override;

    QList<DesktopScreen> screens() const override;
    QPointF mouseLocation() const override;
    // _NET_CLIENT_LIST_STACKING reversed: mapped windows on the current desktop (or on all),
    // frame extents included, in root-window pixels.
    QList<DesktopWindow> windowList() const override;
    // Through shared memory where the server offers it, through Qt otherwise.
    std::optional<QImage> grabScreen(const DesktopScreen &screen) const override;

private:
    X11Desktop(std::unique_ptr<X11Connection> connection, QObject *parent);
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    std::unique_ptr<X11Connection> m_x;
    QtScreens m_screens;
    X11ScreenGrab m_grab;
};

} // namespace lumeno
