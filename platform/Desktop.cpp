#include "Desktop.h"

#include "NullDesktop.h"
#include "x11/X11Desktop.h"

#include <QGuiApplication>

namespace lumeno {

std::unique_ptr<Desktop> Desktop::create(QObject *parent)
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto desktop = X11Desktop::create(parent))
            return desktop;
    }
    return std::make_unique<NullDesktop>(parent);
}

} // namespace lumeno
