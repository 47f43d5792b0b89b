#pragma once

#include "../GlobalHotKey.h"

#include <QAbstractNativeEventFilter>
#include <map>
#include <memory>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace lumeno {

// Global shortcuts as passive key grabs on the root window, read back by a native event filter
// on the application. Each shortcut is grabbed with every lock variant (none, CapsLock, NumLock,
// both) so it works whatever lock is on.
class X11GlobalHotKey : public GlobalHotKey, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    // Uses the application's own X connection; nothing when there is none (offscreen).
    static std::unique_ptr<X11GlobalHotKey> create();

    X11GlobalHotKey(xcb_connection_t *connection, xcb_window_t root);
    ~X11GlobalHotKey() override;

    Registration registerHotKey(quint32 keyCode, quint32 carbonModifiers, quint32 id) override;
    void unregisterHotKey(Ref ref) override;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

    // The X modifier state (Shift, Control, Mod1, Mod4 bits) of a Carbon mask.
    static uint16_t xModifiersFromCarbon(quint32 carbonModifiers);

private:
    struct Grab
    {
        xcb_keycode_t keycode;
        uint16_t modifiers;
        quint32 id;
    };

    void ungrab(const Grab &grab);

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    std::unique_ptr<xcb_key_symbols_t, void (*)(xcb_key_symbols_t *)> m_keySymbols;
    std::map<Ref, Grab> m_grabs;
    Ref m_nextRef = 1;
};

} // namespace lumeno
