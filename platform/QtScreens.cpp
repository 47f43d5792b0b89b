#include "QtScreens.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

namespace lumeno {

namespace {

QRectF primaryGeometry()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->geometry()) : QRectF();
}

} // namespace

QtScreens::QtScreens(QObject *parent) : QObject(parent)
{
    const auto changed = [this] { emit screensChanged(); };
    connect(qApp, &QGuiApplication::screenAdded, this, [this, changed](QScreen *screen) {
        watch(screen);
        changed();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, changed);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, changed);
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
}

void QtScreens::watch(QScreen *screen)
{
    connect(screen, &QScreen::geometryChanged, this, [this] { emit screensChanged(); });
}

QPointF QtScreens::toGlobal(QPointF qtPoint, const QRectF &primary)
{
    return {qtPoint.x() - primary.x(), primary.y() + primary.height() - qtPoint.y()};
}

QPointF QtScreens::cursorToGlobal(QPoint cursor, const QRectF &primary)
{
    return toGlobal(QPointF(cursor.x(), cursor.y() + 1), primary);
}

QList<DesktopScreen> QtScreens::screens()
{
    const QRectF primary = primaryGeometry();
    QList<DesktopScreen> result;
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRectF g = screen->geometry();
        // The frame's origin is its bottom-left corner in the y-up space.
        const QPointF bottomLeft = toGlobal(QPointF(g.left(), g.top() + g.height()), primary);
        // Qt keeps a screen's native origin and divides only its size by the scale factor.
        DesktopScreen entry{screen, QRectF(bottomLeft, g.size()), screen->devicePixelRatio(),
                            g.topLeft()};
        if (screen == QGuiApplication::primaryScreen())
            result.prepend(entry);
        else
            result.append(entry);
    }
    return result;
}

QPointF QtScreens::mouseLocation()
{
    return cursorToGlobal(QCursor::pos(), primaryGeometry());
}

std::optional<QImage> QtScreens::grabScreen(const DesktopScreen &screen)
{
    if (!screen.screen)
        return std::nullopt;
    QImage image = screen.screen->grabWindow(0).toImage();
    if (image.isNull() || screen.frame.width() <= 0)
        return std::nullopt;
    setGrabRatio(image, screen);
    return image;
}

void QtScreens::setGrabRatio(QImage &grab, const DesktopScreen &screen)
{
    // The grab's own ratio is not always set; the pixel count says what it is.
    if (screen.frame.width() > 0)
        grab.setDevicePixelRatio(grab.width() / screen.frame.width());
}

} // namespace lumeno
