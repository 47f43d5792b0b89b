#include "CarbonModifiers.h"

namespace lumeno {

quint32 carbonModifiersFromShortcut(const QString &text)
{
    quint32 mask = 0;
    if (text.contains(QChar(0x2303)))
        mask |= CarbonModifiers::controlKey;
    if (text.contains(QChar(0x2325)))
        mask |= CarbonModifiers::optionKey;
    if (text.contains(QChar(0x21E7)))
        mask |= CarbonModifiers::shiftKey;
    if (text.contains(QChar(0x2318)))
        mask |= CarbonModifiers::cmdKey;
    return mask;
}

} // namespace lumeno
