#include "AppDelegate.h"
#include "EmbeddedServer.h"
#include "Endpoints.h"
#include "GlobalHotKey.h"
#include "ImageSaver.h"
#include "LumenoObject.h"
#include "ScreenShotManager.h"
#include "SingleInstance.h"
#include "StandardOutput.h"
#include "TerminationSignals.h"
#include "UserDefaults.h"

#include <QApplication>

using namespace lumeno;

// The program takes no arguments and reads none.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("lumeno-ocr"));
    // Desktops match the program's windows to its menu entry and icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("lumeno-ocr"));
    // A tray program: closing the result popover must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // A log-out or kill ends the program as "Quit" does, through the event loop, so that the
    // objects below are destroyed: the embedded server is stopped, not left to the kernel.
    TerminationSignals terminationSignals;
    if (const Result watched = terminationSignals.install(); !watched)
        printLine(QStringLiteral("Termination signals end the program at once: ") + watched.why);
    QObject::connect(&terminationSignals, &TerminationSignals::received, &app,
                     &QCoreApplication::quit);

    SingleInstance instance;
    if (const Result locked = instance.acquire(); !locked) {
        printLine(locked.why);
        return 1;
    }

    EmbeddedServer server;
    const QUrl ocrServer = makerServerBaseUrl();
    if (EmbeddedServer::isDefaultAddress(ocrServer)) {
        if (const Result started = server.start(ocrServer, EmbeddedServer::locateProgram());
            !started)
            printLine(QStringLiteral("The local OCR server is not running: ") + started.why);
    }

    const auto hotKey = GlobalHotKey::create();
    UserDefaults &defaults = UserDefaults::standard();
    LumenoObject lumenoObject(defaults);
    AppDelegate delegate(
        *hotKey, defaults, lumenoObject,
        {[] { ScreenShotManager::shared().startCapture(); }, &ImageSaver::saveCapturedImage});
    delegate.applicationDidFinishLaunching();
    return app.exec();
}
