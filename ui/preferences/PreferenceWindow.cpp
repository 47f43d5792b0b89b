#include "PreferenceWindow.h"

#include "LumenoObject.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "StandardOutput.h"
#include "WindowPlacement.h"

#include <QCloseEvent>

namespace lumeno {

PreferenceWindow::PreferenceWindow(PreferenceView *view)
    : FixedWindow(QStringLiteral("Preference"), view), m_view(view)
{
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
    centreOnScreenUnderMouse(window);
    return window;
}

} // namespace lumeno
