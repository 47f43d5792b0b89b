#include "EscapeMonitor.h"

#include "NotificationCenter.h"
#include "NotificationNames.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>

namespace lumeno {

EscapeMonitor::~EscapeMonitor()
{
    remove();
}

void EscapeMonitor::install()
{
    if (m_installed)
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_installed = true;
}

void EscapeMonitor::remove()
{
    if (!m_installed)
        return;
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    m_installed = false;
}

bool EscapeMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // A key event passes the application's filters once at its window and again at each widget
    // it propagates to; only the window's pass is the key press itself. An open menu (a popup
    // window) takes its own keys: Escape there closes the menu only.
    if (event->type() == QEvent::KeyPress && watched->isWindowType() &&
        static_cast<QWindow *>(watched)->type() != Qt::Popup &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
        NotificationCenter::defaultCenter().post(NotificationNames::OCRViewClosed);
    return false;
}

} // namespace lumeno
