#include "CarbonModifiers.h"

namespace lumeno {

quint32 carbonModifiersFromShortcut(const QString &text)
{
    quint32 mask = 0;
    for (const CarbonModifiers::Modifier &modifier : CarbonModifiers::table)
        if (text.contains(QChar(modifier.symbol)))
            mask |= modifier.mask;
    return mask;
}

Qt::KeyboardModifiers qtModifiersFromCarbon(quint32 carbonModifiers)
{
    Qt::KeyboardModifiers modifiers;
    for (const CarbonModifiers::Modifier &modifier : CarbonModifiers::table)
        if (carbonModifiers & modifier.mask)
            modifiers |= modifier.qt;
    return modifiers;
}

} // namespace lumeno
