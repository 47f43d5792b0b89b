#include "X11ScreenGrab.h"

#include "../MemoryMapping.h"
#include "../QtScreens.h"
#include "XcbReply.h"

#include <QScreen>
#include <algorithm>
#include <vector>
#include <xcb/randr.h>
#include <xcb/shm.h>

namespace lumeno {

namespace {

// An eighth of a 4K screen: enough bands to overlap the two sides' work, few enough that
// each request stays cheap.
constexpr qsizetype kBandBytes = 4 << 20;

bool atLeast(uint32_t major, uint32_t minor, uint32_t wantMajor, uint32_t wantMinor)
{
    return major > wantMajor || (major == wantMajor && minor >= wantMinor);
}

// Why the root window's pixels are not RGB32 as this host lays it out; empty when they are.
QString pixelLayoutProblem(xcb_connection_t *c, const xcb_screen_t &screen)
{
    const xcb_setup_t *setup = xcb_get_setup(c);
    const uint8_t hostOrder =
        Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != hostOrder)
        return QStringLiteral("the server's byte order is not this host's");
    if (screen.root_depth != 24)
        return QStringLiteral("the root window is %1 bits deep").arg(screen.root_depth);
    bool fourBytes = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f)) {
        if (f.data->depth == 24)
            fourBytes = f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    }
    if (!fourBytes)
        return QStringLiteral("24-bit pixels are not stored in 32 bits");
    for (auto d = xcb_screen_allowed_depths_iterator(&screen); d.rem; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            if (v.data->visual_id != screen.root_visual)
                continue;
            if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR && v.data->red_mask == 0xff0000 &&
                v.data->green_mask == 0xff00 && v.data->blue_mask == 0xff)
                return {};
            return QStringLiteral("the root visual is not 8-bit RGB");
        }
    }
    return QStringLiteral("the root visual is unknown");
}

// Why MIT-SHM with descriptor passing (1.2) or RandR monitors (1.5) are missing; empty when both
// are there.
QString extensionProblem(xcb_connection_t *c)
{
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(c, &xcb_shm_id);
    if (!shm || !shm->present)
        return QStringLiteral("no MIT-SHM");
    auto shmVersion = holdReply(xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr));
    if (!shmVersion || !atLeast(shmVersion->major_version, shmVersion->minor_version, 1, 2))
        return QStringLiteral("MIT-SHM cannot pass memory descriptors");
    const xcb_query_extension_reply_t *randr = xcb_get_extension_data(c, &xcb_randr_id);
    if (!randr || !randr->present)
        return QStringLiteral("no RandR");
    auto randrVersion =
        holdReply(xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 5), nullptr));
    if (!randrVersion || !atLeast(randrVersion->major_version, randrVersion->minor_version, 1, 5))
        return QStringLiteral("RandR has no monitors");
    return {};
}

} // namespace

X11ScreenGrab::X11ScreenGrab(xcb_connection_t *connection, const xcb_screen_t &screen)
    : m_connection(connection), m_root(screen.root),
      m_rootSize(screen.width_in_pixels, screen.height_in_pixels)
{
    m_unavailable = extensionProblem(connection);
    if (m_unavailable.isEmpty())
        m_unavailable = pixelLayoutProblem(connection, screen);
}

std::optional<QRect> X11ScreenGrab::monitorGeometry(const QString &name) const
{
    xcb_connection_t *c = m_connection;
    auto monitors =
        holdReply(xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, m_root, 1), nullptr));
    if (!monitors)
        return std::nullopt;
    std::vector<std::pair<xcb_get_atom_name_cookie_t, QRect>> named;
    for (auto m = xcb_randr_get_monitors_monitors_iterator(monitors.get()); m.rem;
         xcb_randr_monitor_info_next(&m)) {
        named.emplace_back(xcb_get_atom_name(c, m.data->name),
                           QRect(m.data->x, m.data->y, m.data->width, m.data->height));
    }
    std::optional<QRect> found;
    // Every reply is read, so none is left waiting in the connection.
    for (const auto &[cookie, geometry] : named) {
        auto reply = holdReply(xcb_get_atom_name_reply(c, cookie, nullptr));
        if (!reply || found)
            continue;
        const QString monitor = QString::fromLatin1(xcb_get_atom_name_name(reply.get()),
                                                    xcb_get_atom_name_name_length(reply.get()));
        if (monitor == name)
            found = geometry;
    }
    return found;
}

X11ScreenGrab::Outcome X11ScreenGrab::grab(const DesktopScreen &screen) const
{
    if (!m_unavailable.isEmpty())
        return {std::nullopt, m_unavailable};
    if (!screen.screen)
        return {std::nullopt, QStringLiteral("no Qt screen")};
    const std::optional<QRect> area = monitorGeometry(screen.screen->name());
    if (!area || area->isEmpty())
        return {std::nullopt, QStringLiteral("no RandR monitor is named ") + screen.screen->name()};
    if (!QRect(QPoint(0, 0), m_rootSize).contains(*area))
        return {std::nullopt, QStringLiteral("the monitor reaches past the root window")};

    const qsizetype bytesPerLine = qsizetype(area->width()) * 4;
    int fd = -1;
    std::optional<MemoryMapping> memory =
        MemoryMapping::shared(std::size_t(bytesPerLine) * area->height(), fd);
    if (!memory)
        return {std::nullopt, QStringLiteral("no memory to share")};
    xcb_connection_t *c = m_connection;
    const xcb_shm_seg_t segment = xcb_generate_id(c);
    // The connection takes the descriptor over and closes it once sent.
    if (auto error = holdReply(xcb_request_check(c, xcb_shm_attach_fd_checked(c, segment, fd, 0))))
        return {std::nullopt, QStringLiteral("the X server did not map the shared memory")};
    const bool complete = fill(segment, *area, memory->data());
    // Checked, so that an error never reaches Qt's event loop; nothing waits for it.
    xcb_discard_reply(c, xcb_shm_detach_checked(c, segment).sequence);
    if (!complete)
        return {std::nullopt, QStringLiteral("the X server sent no image")};

    QImage result = MemoryMapping::toImage(std::move(*memory), area->size(), bytesPerLine,
                                           QImage::Format_RGB32);
    if (result.isNull())
        return {std::nullopt, QStringLiteral("no image over the shared memory")};
    QtScreens::setGrabRatio(result, screen);
    return {result, {}};
}

bool X11ScreenGrab::fill(xcb_shm_seg_t segment, const QRect &area, uchar *pixels) const
{
    xcb_connection_t *c = m_connection;
    const qsizetype bytesPerLine = qsizetype(area.width()) * 4;
    // In bands, all asked for at once: while the server fills one band, this process makes the
    // band before it opaque, and the first touch of fresh memory costs both sides about as much
    // as the copy itself.
    const int bandRows = std::max(1, int(kBandBytes / bytesPerLine));
    std::vector<std::pair<xcb_shm_get_image_cookie_t, QRect>> bands;
    for (int top = 0; top < area.height(); top += bandRows) {
        const QRect band(0, top, area.width(), std::min(bandRows, area.height() - top));
        bands.emplace_back(xcb_shm_get_image(c, m_root, int16_t(area.x()), int16_t(area.y() + top),
                                             uint16_t(band.width()), uint16_t(band.height()), ~0u,
                                             XCB_IMAGE_FORMAT_Z_PIXMAP, segment,
                                             uint32_t(top * bytesPerLine)),
                           band);
    }
    bool complete = true;
    for (const auto &[cookie, band] : bands) {
        // Every reply is read, so none is left waiting in the connection.
        auto reply = holdReply(xcb_shm_get_image_reply(c, cookie, nullptr));
        complete = complete && reply;
        if (!complete)
            continue;
        // The fourth byte of a 24-bit pixel is undefined; RGB32 wants it opaque.
        auto *pixel = reinterpret_cast<quint32 *>(pixels + band.top() * bytesPerLine);
        for (qsizetype i = 0, n = band.height() * bytesPerLine / 4; i < n; ++i)
            pixel[i] |= 0xff000000u;
    }
    return complete;
}

} // namespace lumeno
