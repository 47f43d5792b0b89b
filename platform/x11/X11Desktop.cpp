#include "X11Desktop.h"

#include "XcbReply.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <optional>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

namespace lumeno {

namespace {

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
    auto attributes = holdReply(
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

namespace {

// What is asked of one window, sent before any answer is read: one round trip for the list.
struct WindowQuery
{
    WindowQuery(xcb_connection_t *c, xcb_ewmh_connection_t *ewmh, xcb_window_t root, xcb_window_t w)
        : attributes(xcb_get_window_attributes_unchecked(c, w)),
          geometry(xcb_get_geometry_unchecked(c, w)),
          origin(xcb_translate_coordinates_unchecked(c, w, root, 0, 0)),
          desktop(xcb_ewmh_get_wm_desktop_unchecked(ewmh, w)),
          type(xcb_ewmh_get_wm_window_type_unchecked(ewmh, w)),
          state(xcb_ewmh_get_wm_state_unchecked(ewmh, w)),
          extents(xcb_ewmh_get_frame_extents_unchecked(ewmh, w))
    {
    }

    xcb_get_window_attributes_cookie_t attributes;
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t origin;
    xcb_get_property_cookie_t desktop, type, state, extents;
};

uint32_t cardinalOf(xcb_connection_t *c, xcb_get_property_cookie_t cookie)
{
    uint32_t value = kAllDesktops;
    if (auto reply = holdReply(xcb_get_property_reply(c, cookie, nullptr)))
        xcb_ewmh_get_cardinal_from_reply(&value, reply.get());
    return value;
}

bool onDesktop(uint32_t windowDesktop, uint32_t currentDesktop)
{
    return currentDesktop == kAllDesktops || windowDesktop == kAllDesktops ||
           windowDesktop == currentDesktop;
}

bool holdsAtom(xcb_connection_t *c, xcb_get_property_cookie_t cookie, xcb_atom_t atom)
{
    auto reply = holdReply(xcb_get_property_reply(c, cookie, nullptr));
    xcb_ewmh_get_atoms_reply_t atoms{};
    if (!reply || !xcb_ewmh_get_atoms_from_reply(&atoms, reply.get()))
        return false;
    return std::find(atoms.atoms, atoms.atoms + atoms.atoms_len, atom) !=
           atoms.atoms + atoms.atoms_len;
}

// The window's frame in root pixels: its own rectangle grown by the window manager's frame.
std::optional<QRectF> frameBounds(xcb_connection_t *c, const WindowQuery &q)
{
    auto geometry = holdReply(xcb_get_geometry_reply(c, q.geometry, nullptr));
    auto origin = holdReply(xcb_translate_coordinates_reply(c, q.origin, nullptr));
    auto extentsReply = holdReply(xcb_get_property_reply(c, q.extents, nullptr));
    if (!geometry || !origin)
        return std::nullopt;
    xcb_ewmh_get_extents_reply_t extents{};
    if (!extentsReply || !xcb_ewmh_get_frame_extents_from_reply(&extents, extentsReply.get()))
        extents = {};
    return QRectF(origin->dst_x - qreal(extents.left), origin->dst_y - qreal(extents.top),
                  geometry->width + qreal(extents.left + extents.right),
                  geometry->height + qreal(extents.top + extents.bottom));
}

// Desktop windows lie lowest, docks highest; kept-above ordinary windows between.
qint32 layerOf(xcb_connection_t *c, xcb_ewmh_connection_t *ewmh, const WindowQuery &q)
{
    auto type = holdReply(xcb_get_property_reply(c, q.type, nullptr));
    xcb_ewmh_get_atoms_reply_t types{};
    qint32 layer = kNormalLayer;
    if (type && xcb_ewmh_get_atoms_from_reply(&types, type.get())) {
        for (uint32_t i = 0; i < types.atoms_len; ++i) {
            if (types.atoms[i] == ewmh->_NET_WM_WINDOW_TYPE_DESKTOP)
                layer = kDesktopLayer;
            else if (types.atoms[i] == ewmh->_NET_WM_WINDOW_TYPE_DOCK)
                layer = kDockLayer;
        }
    }
    const bool above = holdsAtom(c, q.state, ewmh->_NET_WM_STATE_ABOVE);
    return layer == kNormalLayer && above ? kAboveLayer : layer;
}

} // namespace

QList<DesktopWindow> X11Desktop::windowList() const
{
    xcb_connection_t *c = m_x->connection();
    xcb_ewmh_connection_t *ewmh = m_x->ewmh();

    auto stackingReply = holdReply(
        xcb_get_property_reply(c, xcb_ewmh_get_client_list_stacking_unchecked(ewmh, 0), nullptr));
    xcb_ewmh_get_windows_reply_t stacking{};
    if (!stackingReply || !xcb_ewmh_get_windows_from_reply(&stacking, stackingReply.get()))
        return {};
    const uint32_t currentDesktop = cardinalOf(c, xcb_ewmh_get_current_desktop_unchecked(ewmh, 0));

    // Front to back: the stacking list runs from the bottom up.
    std::vector<WindowQuery> queries;
    queries.reserve(stacking.windows_len);
    for (uint32_t i = stacking.windows_len; i-- > 0;)
        queries.emplace_back(c, ewmh, m_x->root(), stacking.windows[i]);

    QList<DesktopWindow> result;
    for (const WindowQuery &q : queries) {
        auto attributes = holdReply(xcb_get_window_attributes_reply(c, q.attributes, nullptr));
        const uint32_t windowDesktop = cardinalOf(c, q.desktop);
        const std::optional<QRectF> bounds = frameBounds(c, q);
        const qint32 layer = layerOf(c, ewmh, q);
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
            !onDesktop(windowDesktop, currentDesktop))
            continue;
        DesktopWindow entry;
        entry.bounds = bounds;
        entry.layer = layer;
        result.append(entry);
    }
    return result;
}

} // namespace lumeno
