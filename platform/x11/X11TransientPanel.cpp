#include "X11TransientPanel.h"

#include "XcbReply.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <cstring>
#include <vector>

namespace lumeno {

namespace {

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    auto reply = holdReply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

void X11TransientPanel::install(QWindow *window)
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection())
        new X11TransientPanel(window, x11->connection());
}

X11TransientPanel::X11TransientPanel(QWindow *window, xcb_connection_t *connection)
    : QObject(window), m_window(window), m_connection(connection),
      m_state(atom(connection, "_NET_WM_STATE")),
      m_skipTaskbar(atom(connection, "_NET_WM_STATE_SKIP_TASKBAR")),
      m_skipPager(atom(connection, "_NET_WM_STATE_SKIP_PAGER"))
{
    window->installEventFilter(this);
}

bool X11TransientPanel::eventFilter(QObject *watched, QEvent *event)
{
    // A window hears of its show before it is mapped; Qt then keeps the states it finds.
    if (watched == m_window && event->type() == QEvent::Show)
        addStates();
    return false;
}

void X11TransientPanel::addStates()
{
    const xcb_window_t window = xcb_window_t(m_window->winId());
    auto reply = holdReply(xcb_get_property_reply(
        m_connection, xcb_get_property(m_connection, 0, window, m_state, XCB_ATOM_ATOM, 0, 1024),
        nullptr));
    std::vector<xcb_atom_t> states;
    if (reply && reply->format == 32 && reply->type == XCB_ATOM_ATOM) {
        const auto *values = static_cast<const xcb_atom_t *>(xcb_get_property_value(reply.get()));
        states.assign(values, values + xcb_get_property_value_length(reply.get()) / 4);
    }
    for (const xcb_atom_t state : {m_skipTaskbar, m_skipPager})
        if (std::find(states.begin(), states.end(), state) == states.end())
            states.push_back(state);
    xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, m_state, XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.data());
    xcb_flush(m_connection);
}

} // namespace lumeno
