#include "X11Keyboard.h"

#include <QGuiApplication>
#include <memory>
#include <xcb/xcb_keysyms.h>

namespace lumeno::X11Keyboard {

namespace {
// The levels of the core keyboard mapping: plain, Shift, and the two of the second group.
constexpr int kLevels = 4;
} // namespace

std::vector<quint32> keysymsOf(quint32 keycode)
{
    if (keycode == 0 || keycode > 255 || QGuiApplication::platformName() != QLatin1String("xcb"))
        return {};
    const auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return {};
    // Made for each lookup, so the mapping is always the current one; a recorder asks once per
    // key press.
    const std::unique_ptr<xcb_key_symbols_t, void (*)(xcb_key_symbols_t *)> symbols(
        xcb_key_symbols_alloc(connection), &xcb_key_symbols_free);
    std::vector<quint32> keysyms;
    for (int level = 0; level < kLevels; ++level) {
        const xcb_keysym_t keysym =
            xcb_key_symbols_get_keysym(symbols.get(), static_cast<xcb_keycode_t>(keycode), level);
        if (keysym != XCB_NO_SYMBOL)
            keysyms.push_back(keysym);
    }
    return keysyms;
}

} // namespace lumeno::X11Keyboard
