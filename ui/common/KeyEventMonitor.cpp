#include "KeyEventMonitor.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>

namespace lumeno {

KeyEventMonitor::KeyEventMonitor(Handler handler, QObject *parent)
    : QObject(parent), m_handler(std::move(handler))
{
}

KeyEventMonitor::~KeyEventMonitor()
{
    remove();
}

void KeyEventMonitor::install()
{
    if (m_installed)
        return;
    QCoreApplication::instance()->installEventFilter(this);
    m_installed = true;
}

void KeyEventMonitor::remove()
{
    if (!m_installed)
        return;
    if (auto *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    m_installed = false;
}

bool KeyEventMonitor::eventFilter(QObject *watched, QEvent *event)
{
    // A key event passes the application's filters once at its window and again at each widget
    // it propagates to; only the window's pass is the key event itself.
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (key && watched->isWindowType())
        m_handler(*static_cast<QKeyEvent *>(event), *static_cast<QWindow *>(watched));
    return false;
}

} // namespace lumeno
