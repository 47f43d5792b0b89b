#include "EscapeMonitor.h"

#include "NotificationCenter.h"
#include "NotificationNames.h"

#include <QKeyEvent>
#include <QWindow>

namespace lumeno {

EscapeMonitor::EscapeMonitor(QObject *parent)
    : KeyEventMonitor(
          [](const QKeyEvent &event, const QWindow &window) {
              // An open menu is a popup window; Escape there closes the menu only.
              if (event.type() == QEvent::KeyPress && event.key() == Qt::Key_Escape &&
                  window.type() != Qt::Popup)
                  NotificationCenter::defaultCenter().post(NotificationNames::OCRViewClosed);
          },
          parent)
{
}

} // namespace lumeno
