#include "X11GlobalHotKey.h"

#include "../CarbonModifiers.h"
#include "../VirtualKeyCodes.h"
#include "XcbReply.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <array>
#include <cstdlib>

namespace lumeno {

namespace {

// The lock modifiers a grab must not depend on: CapsLock and NumLock (Mod2 on every common
// keymap).
constexpr uint16_t kLockMasks = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;
constexpr std::array<uint16_t, 4> kLockVariants{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                                XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
// Only the eight modifier bits of a key event's state; the rest are pointer buttons.
constexpr uint16_t kModifierBits = 0xFF;
constexpr uint8_t kBadAccess = 10;

// The modifier table is written without X headers; hold it to X's own values.
static_assert(kModifierSigns[0].xMask == XCB_MOD_MASK_4);
static_assert(kModifierSigns[1].xMask == XCB_MOD_MASK_1);
static_assert(kModifierSigns[2].xMask == XCB_MOD_MASK_SHIFT);
static_assert(kModifierSigns[3].xMask == XCB_MOD_MASK_CONTROL);

} // namespace

std::unique_ptr<X11GlobalHotKey> X11GlobalHotKey::create()
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return nullptr;
    // The first X screen: the one every single-screen and RandR multi-monitor session has.
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return nullptr;
    return std::make_unique<X11GlobalHotKey>(connection, screen->root);
}

X11GlobalHotKey::X11GlobalHotKey(xcb_connection_t *connection, xcb_window_t root)
    : m_connection(connection), m_root(root),
      m_keySymbols(xcb_key_symbols_alloc(connection), &xcb_key_symbols_free)
{
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11GlobalHotKey::~X11GlobalHotKey()
{
    if (auto *app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
    for (const auto &[ref, grab] : m_grabs)
        ungrab(grab);
    xcb_flush(m_connection);
}

uint16_t X11GlobalHotKey::xModifiersFromCarbon(quint32 carbonModifiers)
{
    uint16_t mods = 0;
    for (const ModifierSign &modifier : kModifierSigns)
        if (carbonModifiers & modifier.carbonMask)
            mods |= modifier.xMask;
    return mods;
}

GlobalHotKey::Registration X11GlobalHotKey::registerHotKey(quint32 keyCode, quint32 carbonModifiers,
                                                           quint32 id)
{
    const auto key = VirtualKeyCodes::forCode(keyCode);
    if (!key)
        return {std::nullopt, QStringLiteral("key code %1 names no known key").arg(keyCode)};
    auto keycodes = holdReply(xcb_key_symbols_get_keycode(m_keySymbols.get(), key->keysym));
    if (!keycodes || keycodes.get()[0] == XCB_NO_SYMBOL)
        return {std::nullopt,
                QStringLiteral("the keyboard has no key for key code %1").arg(keyCode)};

    const Grab grab{keycodes.get()[0], xModifiersFromCarbon(carbonModifiers), id};
    std::array<xcb_void_cookie_t, kLockVariants.size()> cookies{};
    for (size_t i = 0; i < kLockVariants.size(); ++i)
        cookies[i] =
            xcb_grab_key_checked(m_connection, 0, m_root, grab.modifiers | kLockVariants[i],
                                 grab.keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    uint8_t errorCode = 0;
    for (const auto &cookie : cookies) {
        auto error = holdReply(xcb_request_check(m_connection, cookie));
        if (error && !errorCode)
            errorCode = error->error_code;
    }
    if (errorCode) {
        // Releases only the variants this client got; another client's grab stays untouched.
        ungrab(grab);
        xcb_flush(m_connection);
        if (errorCode == kBadAccess)
            return {std::nullopt, QStringLiteral("the shortcut is in use by another program")};
        return {std::nullopt,
                QStringLiteral("the X server refused the grab (error %1)").arg(errorCode)};
    }
    const Ref ref = m_nextRef++;
    m_grabs.emplace(ref, grab);
    return {ref, {}};
}

void X11GlobalHotKey::unregisterHotKey(Ref ref)
{
    const auto it = m_grabs.find(ref);
    if (it == m_grabs.end())
        return;
    const Grab grab = it->second;
    m_grabs.erase(it);
    ungrab(grab);
    xcb_flush(m_connection);
}

void X11GlobalHotKey::ungrab(const Grab &grab)
{
    // Two registrations of the same key share the server's grab: keep it while one remains.
    for (const auto &[ref, other] : m_grabs)
        if (other.keycode == grab.keycode && other.modifiers == grab.modifiers)
            return;
    for (const uint16_t lock : kLockVariants)
        xcb_ungrab_key(m_connection, grab.keycode, m_root, grab.modifiers | lock);
}

bool X11GlobalHotKey::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const uint8_t type = event->response_type & ~0x80;
    if (type == XCB_MAPPING_NOTIFY) {
        xcb_refresh_keyboard_mapping(m_keySymbols.get(),
                                     reinterpret_cast<xcb_mapping_notify_event_t *>(
                                         const_cast<xcb_generic_event_t *>(event)));
        return false;
    }
    if (type != XCB_KEY_PRESS)
        return false;
    const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
    if (press->event != m_root)
        return false;
    const uint16_t state = press->state & kModifierBits & ~kLockMasks;
    for (const auto &[ref, grab] : m_grabs) {
        if (grab.keycode == press->detail && grab.modifiers == state) {
            emit pressed(grab.id);
            return true;
        }
    }
    return false;
}

} // namespace lumeno
