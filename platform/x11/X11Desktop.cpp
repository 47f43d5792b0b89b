#include "X11Desktop.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace lumeno {

namespace {

template <typename T> using XReply = std::unique_ptr<T, decltype(&std::free)>;

template <typename T> XReply<T> hold(T *reply)
{
    return XReply<T>(reply, &std::free);
}

// Desktop-level windows lie below everything, docks and kept-above windows over ordinary ones;
// the numbers follow the levels the capture's rules were made for.
constexpr qint32 kDesktopLayer = -1;
constexpr qint32 kNormalLayer = 0;
constexpr qint32 kAboveLayer = 3;
constexpr qint32 kDockLayer = 20;
constexpr uint32_t kAllDesktops = 0xFFFFFFFF;

} // namespace

// The EWMH atoms on Qt's connection; the connection itself stays Qt's.
class X11Connection
{
public:
    explicit X11Connection(xcb_connection_t *connection) : m_connection(connection)
    {
        xcb_intern_atom_cookie_t *cookies = xcb_ewmh_init_atoms(connection, &m_ewmh);
        m_ready = xcb_ewmh_init_atoms_replies(&m_ewmh, cookies, nullptr) != 0;
    }
    ~X11Connection()
    {
        if (m_ready)
            xcb_ewmh_connection_wipe(&m_ewmh);
    }
    X11Connection(const X11Connection &) = delete;
    X11Connection &operator=(const X11Connection &) = delete;

    bool ready() const { return m_ready; }
    xcb_connection_t *connection() const { return m_connection; }
    xcb_ewmh_connection_t *ewmh() { return &m_ewmh; }
    xcb_window_t root() const { return m_ewmh.screens[0]->root; }

private:
    xcb_connection_t *m_connection;
    xcb_ewmh_connection_t m_ewmh{};
    bool m_ready = false;
};

std::unique_ptr<X11Desktop> X11Desktop::create(QObject *parent)
{
    auto *native =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    // The interface exists on other platforms too, with no connection behind it.
    if (!native || !native->connection())
        return nullptr;
    auto connection = std::make_unique<X11Connection>(native->connection());
    if (!connection->ready())
        return nullptr;
    return std::unique_ptr<X11Desktop>(new X11Desktop(std::move(connection), parent));
}

X11Desktop::X11Desktop(std::unique_ptr<X11Connection> connection, QObject *parent)
    : Desktop(parent), m_x(std::move(connection)),
      m_grab(m_x->connection(), *m_x->ewmh()->screens[0])
{
    connect(&m_screens, &QtScreens::screensChanged, this,
            [this] { emit screenParametersChanged({}); });

    // Event masks are per client: add property changes to whatever Qt selected on the root.
    xcb_connection_t *c = m_x->connection();
    auto attributes = hold(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, m_x->root()), nullptr));
    const uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, m_x->root(), XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11Desktop::~X11Desktop()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool X11Desktop::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *property = static_cast<const xcb_property_notify_event_t *>(message);
    if (property->window == m_x->root() && property->atom == m_x->ewmh()->_NET_CURRENT_DESKTOP)
        emit activeSpaceChanged({});
    return false;
}

QList<DesktopScreen> X11Desktop::screens() const
{
    return QtScreens::screens();
}

QPointF X11Desktop::mouseLocation() const
{
    return QtScreens::mouseLocation();
}

std::optional<QImage> X11Desktop::grabScreen(const DesktopScreen &screen) const
{
    if (X11ScreenGrab::Outcome shared = m_grab.grab(screen); shared.image)
        return shared.image;
    return QtScreens::grabScreen(screen);
}

QList<DesktopWindow> X11Desktop::windowList() const
{
    xcb_connection_t *c = m_x->connection();
    xcb_ewmh_connection_t *ewmh = m_x->ewmh();
    const xcb_window_t root = m_x->root();

    auto stackingReply = hold(
        xcb_get_property_reply(c, xcb_ewmh_get_client_list_stacking_unchecked(ewmh, 0), nullptr));
    xcb_ewmh_get_windows_reply_t stacking{};
    if (!stackingReply || !xcb_ewmh_get_windows_from_reply(&stacking, stackingReply.get()))
        return {};
    auto desktopReply =
        hold(xcb_get_property_reply(c, xcb_ewmh_get_current_desktop_unchecked(ewmh, 0), nullptr));
    uint32_t currentDesktop = kAllDesktops;
    if (desktopReply)
        xcb_ewmh_get_cardinal_from_reply(&currentDesktop, desktopReply.get());

    // Send every request first and read the replies after: one round trip for the whole list.
    struct Pending
    {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_property_cookie_t desktop, type, state, extents;
    };
    std::vector<Pending> pending;
    pending.reserve(stacking.windows_len);
    for (uint32_t i = stacking.windows_len; i-- > 0;) {
        const xcb_window_t w = stacking.windows[i];
        pending.push_back({xcb_get_window_attributes_unchecked(c, w),
                           xcb_get_geometry_unchecked(c, w),
                           xcb_translate_coordinates_unchecked(c, w, root, 0, 0),
                           xcb_ewmh_get_wm_desktop_unchecked(ewmh, w),
                           xcb_ewmh_get_wm_window_type_unchecked(ewmh, w),
                           xcb_ewmh_get_wm_state_unchecked(ewmh, w),
                           xcb_ewmh_get_frame_extents_unchecked(ewmh, w)});
    }

    QList<DesktopWindow> result;
    for (const Pending &p : pending) {
        auto attributes = hold(xcb_get_window_attributes_reply(c, p.attributes, nullptr));
        auto geometry = hold(xcb_get_geometry_reply(c, p.geometry, nullptr));
        auto origin = hold(xcb_translate_coordinates_reply(c, p.origin, nullptr));
        auto desktop = hold(xcb_get_property_reply(c, p.desktop, nullptr));
        auto type = hold(xcb_get_property_reply(c, p.type, nullptr));
        auto state = hold(xcb_get_property_reply(c, p.state, nullptr));
        auto extentsReply = hold(xcb_get_property_reply(c, p.extents, nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        uint32_t windowDesktop = kAllDesktops;
        if (desktop && xcb_ewmh_get_cardinal_from_reply(&windowDesktop, desktop.get()) &&
            currentDesktop != kAllDesktops && windowDesktop != kAllDesktops &&
            windowDesktop != currentDesktop)
            continue;

        DesktopWindow entry;
        if (geometry && origin) {
            xcb_ewmh_get_extents_reply_t extents{};
            if (!extentsReply ||
                !xcb_ewmh_get_frame_extents_from_reply(&extents, extentsReply.get()))
                extents = {};
            entry.bounds =
                QRectF(origin->dst_x - qreal(extents.left), origin->dst_y - qreal(extents.top),
                       geometry->width + qreal(extents.left + extents.right),
                       geometry->height + qreal(extents.top + extents.bottom));
        }

        entry.layer = kNormalLayer;
        xcb_ewmh_get_atoms_reply_t atoms{};
        if (type && xcb_ewmh_get_atoms_from_reply(&atoms, type.get())) {
            for (uint32_t i = 0; i < atoms.atoms_len; ++i) {
                if (atoms.atoms[i] == ewmh->_NET_WM_WINDOW_TYPE_DESKTOP)
                    entry.layer = kDesktopLayer;
                else if (atoms.atoms[i] == ewmh->_NET_WM_WINDOW_TYPE_DOCK)
                    entry.layer = kDockLayer;
            }
        }
        if (entry.layer == kNormalLayer && state &&
            xcb_ewmh_get_atoms_from_reply(&atoms, state.get())) {
            for (uint32_t i = 0; i < atoms.atoms_len; ++i)
                if (atoms.atoms[i] == ewmh->_NET_WM_STATE_ABOVE)
                    entry.layer = kAboveLayer;
        }
        result.append(entry);
    }
    return result;
}

} // namespace lumeno
