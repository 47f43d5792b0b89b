#pragma once

#include <X11/keysym.h>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace lumeno::e2e {

// A second X client that holds Shift+Control+E, as another program holding the default hot key
// would.
class KeyHolder
{
public:
    KeyHolder() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, XK_e);
        m_keycode = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
    }
    ~KeyHolder() { xcb_disconnect(m_connection); }

    // True when the server granted the grab.
    bool grab()
    {
        const auto cookie = xcb_grab_key_checked(m_connection, 0, m_root, kModifiers, m_keycode,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        std::free(error);
        return !error;
    }

    void ungrab()
    {
        xcb_ungrab_key(m_connection, m_keycode, m_root, kModifiers);
        // A round trip, so the server has released the key when this returns.
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

private:
    static constexpr uint16_t kModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL;

    xcb_connection_t *m_connection;
    xcb_window_t m_root = 0;
    xcb_keycode_t m_keycode = 0;
};

} // namespace lumeno::e2e
