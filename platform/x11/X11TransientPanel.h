#pragma once

#include <QObject>
#include <xcb/xcb.h>

class QWindow;

namespace lumeno {

// Sets _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER on a window before each time it
// is mapped: a window manager drops a window's states when it is withdrawn, and a state set on a
// mapped window would need a request to the window manager instead. Lives as the window's child.
class X11TransientPanel : public QObject
{
    Q_OBJECT

public:
    // Nothing without an X connection.
    static void install(QWindow *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    X11TransientPanel(QWindow *window, xcb_connection_t *connection);
    void addStates();

    QWindow *m_window;
    xcb_connection_t *m_connection;
    xcb_atom_t m_state = XCB_ATOM_NONE;
    xcb_atom_t m_skipTaskbar = XCB_ATOM_NONE;
    xcb_atom_t m_skipPager = XCB_ATOM_NONE;
};

} // namespace lumeno
