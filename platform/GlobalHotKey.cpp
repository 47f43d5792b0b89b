#include "GlobalHotKey.h"

#include "CarbonModifiers.h"
#include "NullGlobalHotKey.h"
#include "VirtualKeyCodes.h"
#include "x11/X11GlobalHotKey.h"

#include <QGuiApplication>
#include <QKeySequence>

namespace lumeno {

std::unique_ptr<GlobalHotKey> GlobalHotKey::create()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        if (auto x11 = X11GlobalHotKey::create())
            return x11;
    }
    return std::make_unique<NullGlobalHotKey>();
}

QString GlobalHotKey::displayName(quint32 keyCode, quint32 carbonModifiers)
{
    const auto key = VirtualKeyCodes::forCode(keyCode);
    if (!key)
        return QStringLiteral("key code %1").arg(keyCode);
    return QKeySequence(
               QKeyCombination(qtModifiersFromCarbon(carbonModifiers), Qt::Key(key->qtKey)))
        .toString(QKeySequence::NativeText);
}

} // namespace lumeno
