#include "PreferenceWindow.h"

#include "LumenoObject.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "StandardOutput.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace lumeno {

PreferenceWindow::PreferenceWindow(PreferenceView *view)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      m_view(view)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Preference"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    setFixedSize(view->size());
}

void PreferenceWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        windowWillClose();
}

void PreferenceWindow::windowWillClose()
{
    printLine(QStringLiteral("Window will close"));
    NotificationCenter::defaultCenter().post(QLatin1String(NotificationNames::HotKeySetSucceed));
}

PreferenceWindow *makePreferenceWindow(LumenoObject &lumenoObject,
                                       const PreferenceServices &services)
{
    // The save switches and paths are never stored, so the Local page always opens with both
    // off and empty; the key opens as stored.
    const LumenoObject stored(services.defaults);
    auto *window = new PreferenceWindow(new PreferenceView(
        stored.whetherToSavePNG(), stored.whetherToSavePDF(), stored.savePNGUrl(),
        stored.savePDFUrl(), stored.googleAPIKey(), lumenoObject, false, QString(), services));
    const QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        QRect frame = window->geometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    return window;
}

} // namespace lumeno
