#include "TransientPanel.h"

#include "x11/X11TransientPanel.h"

#include <QGuiApplication>

namespace lumeno::TransientPanel {

void apply(QWindow *window)
{
    if (window && QGuiApplication::platformName() == QLatin1String("xcb"))
        X11TransientPanel::install(window);
}

} // namespace lumeno::TransientPanel
