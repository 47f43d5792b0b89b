#pragma once

#include "Desktop.h"

#include <QObject>

namespace lumeno {

// The part of a desktop that plain Qt gives on every platform: screens, the mouse, screen grabs
// and the signal that the screen set changed. Converts Qt's global coordinates (y down, origin
// where the platform puts it) into the capture's global space (y up, origin at the bottom-left
// corner of the primary screen).
class QtScreens : public QObject
{
    Q_OBJECT

public:
    explicit QtScreens(QObject *parent = nullptr);

    static QList<DesktopScreen> screens();
    static QPointF mouseLocation();
    static std::optional<QImage> grabScreen(const DesktopScreen &screen);
    // Sets the device pixel ratio of a grab of the screen: its pixels per point.
    static void setGrabRatio(QImage &grab, const DesktopScreen &screen);

    // Qt global point (y down) into global points (y up); primaryGeometry in Qt coordinates.
    static QPointF toGlobal(QPointF qtPoint, const QRectF &primaryGeometry);
    // The cursor's pixel (y down) into the global point whose 1 x 1 square covers that pixel:
    // one row lower than the flipped corner, so the cursor's own pixel is inside what it picks.
    static QPointF cursorToGlobal(QPoint cursor, const QRectF &primaryGeometry);

signals:
    void screensChanged();

private:
    void watch(QScreen *screen);
};

} // namespace lumeno
