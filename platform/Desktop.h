#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <QVariantMap>
#include <memory>
#include <optional>

class QScreen;

namespace lumeno {

// One screen as the capture sees it. QRectF only carries the four numbers here.
struct DesktopScreen
{
    // The Qt screen the overlay for it is placed on; null only in tests without a display.
    QScreen *screen = nullptr;
    // Global points: origin at the bottom-left corner of the primary screen, y growing up.
    QRectF frame;
    // Device pixels per point of this screen's grab, and native pixels per point of its area.
    qreal devicePixelRatio = 1.0;
    // The screen's top-left corner in native pixels: the desktop's own coordinates, in which
    // window bounds come (on X11 the root window's: origin top-left, y down).
    QPointF nativeOrigin;
};

// One entry of the on-screen window list.
struct DesktopWindow
{
    // Native pixels (see DesktopScreen::nativeOrigin), frame decorations included. Which
    // screen's points they become depends on the screen that holds them (capture/Geometry.h).
    // Absent when the window has no usable bounds; a value with a non-finite number is not a
    // rectangle.
    std::optional<QRectF> bounds;
    // Negative for desktop-level windows, 0 for ordinary ones, positive for docks, panels and
    // windows kept above the others.
    qint32 layer = 0;
};

// What the screen capture needs from the desktop. Implementations exist for X11 and, where the
// desktop offers less, for plain Qt; tests use a fake.
class Desktop : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // X11 when the application runs on the xcb platform, the plain-Qt one otherwise.
    static std::unique_ptr<Desktop> create(QObject *parent = nullptr);

    // Every screen, the primary one first.
    virtual QList<DesktopScreen> screens() const = 0;
    // Global points (see DesktopScreen::frame).
    virtual QPointF mouseLocation() const = 0;
    // The windows on screen on the current desktop, front to back.
    virtual QList<DesktopWindow> windowList() const = 0;
    // What the screen shows now, in device pixels with the device pixel ratio set; nothing when
    // the desktop refuses.
    virtual std::optional<QImage> grabScreen(const DesktopScreen &screen) const = 0;

signals:
    // The user switched to another virtual desktop; userInfo says which, where known.
    void activeSpaceChanged(const QVariantMap &userInfo);
    // A screen was added or removed, or one changed its geometry.
    void screenParametersChanged(const QVariantMap &userInfo);
};

} // namespace lumeno
