#pragma once

#include "../Desktop.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <optional>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace lumeno {

// Screen grabs through MIT-SHM: the X server writes the monitor's pixels straight into memory
// it shares with this process. Qt's own grab has the server copy the screen into a pixmap and
// send it over the socket, then copies it twice more here: four screenfuls where this takes one.
class X11ScreenGrab
{
public:
    // What a grab gave: the image, or why this road could not take it.
    struct Outcome
    {
        std::optional<QImage> image;
        QString why;
    };

    // Reads once what the server offers; connection: Qt's, which stays Qt's.
    X11ScreenGrab(xcb_connection_t *connection, const xcb_screen_t &screen);

    // The pixels of the RandR monitor that Qt shows as screen.screen, in Format_RGB32 with the
    // same device pixel ratio as Qt's own grab.
    Outcome grab(const DesktopScreen &screen) const;

private:
    // The monitor's rectangle in root-window pixels: what Qt's screen geometry rounds at a
    // fractional scale factor.
    std::optional<QRect> monitorGeometry(const QString &name) const;
    // The area's pixels into the attached segment, made opaque; false when a band did not come.
    bool fill(xcb_shm_seg_t segment, const QRect &area, uchar *pixels) const;

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    QSize m_rootSize;
    // Why no grab can go this road on this server; empty when it can.
    QString m_unavailable;
};

} // namespace lumeno
