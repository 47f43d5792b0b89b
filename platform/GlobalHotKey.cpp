#include "GlobalHotKey.h"

#include "NullGlobalHotKey.h"
#include "x11/X11GlobalHotKey.h"

#include <QGuiApplication>

namespace lumeno {

std::unique_ptr<GlobalHotKey> GlobalHotKey::create()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto x11 = X11GlobalHotKey::create())
            return x11;
    }
    return std::make_unique<NullGlobalHotKey>();
}

} // namespace lumeno
