#include "NullGlobalHotKey.h"

namespace lumeno {

GlobalHotKey::Registration NullGlobalHotKey::registerHotKey(quint32, quint32, quint32)
{
    return {std::nullopt, QStringLiteral("global hot keys need an X11 session")};
}

void NullGlobalHotKey::unregisterHotKey(Ref) {}

} // namespace lumeno
