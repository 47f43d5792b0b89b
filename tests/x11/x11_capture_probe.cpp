// A stand-in for the tray program in the X11 tests: starts one capture at once, reports how it
// ended on standard output and keeps running, so that it goes on serving the clipboard.
#include "CaptureNotifications.h"
#include "NotificationCenter.h"
#include "ScreenShotController.h"
#include "ScreenShotManager.h"
#include "ScreenShotWindow.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

using namespace lumeno;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    NotificationCenter::defaultCenter().addObserver(
        &app, kNotifyCaptureEnd, [](const Notification &notification) {
            if (notification.userInfo) {
                const QImage image = notification.userInfo->value(kCaptureImageKey).value<QImage>();
                std::printf("probe: captured %dx%d\n", image.width(), image.height());
            } else {
                std::puts("probe: cancelled");
            }
            std::fflush(stdout);
        });
    QTimer::singleShot(0, [] {
        ScreenShotManager &manager = ScreenShotManager::shared();
        manager.startCapture();
        for (ScreenShotController *controller : manager.windowControllerArray()) {
            QObject::connect(
                controller->window(), &ScreenShotWindow::painted, controller,
                [] {
                    std::puts("probe: overlay painted");
                    std::fflush(stdout);
                },
                Qt::SingleShotConnection);
        }
    });
    return app.exec();
}
