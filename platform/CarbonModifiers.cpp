#include "CarbonModifiers.h"

namespace lumeno {

quint32 carbonModifiersFromShortcut(const QString &text)
{
    quint32 mask = 0;
    for (const ModifierSign &modifier : kModifierSigns)
        if (text.contains(modifier.sign))
            mask |= modifier.carbonMask;
    return mask;
}

Qt::KeyboardModifiers qtModifiersFromCarbon(quint32 carbonModifiers)
{
    Qt::KeyboardModifiers modifiers;
    for (const ModifierSign &modifier : kModifierSigns)
        if (carbonModifiers & modifier.carbonMask)
            modifiers |= modifier.qtModifier;
    return modifiers;
}

quint64 eventFlagsFromQt(Qt::KeyboardModifiers modifiers)
{
    quint64 flags = 0;
    for (const ModifierSign &modifier : kModifierSigns)
        if (modifiers.testFlag(modifier.qtModifier))
            flags |= modifier.eventFlag;
    return flags;
}

QString modifierSignsFromEventFlags(quint64 flags)
{
    QString signs;
    for (const ModifierSign &modifier : kModifierSigns)
        if (flags & modifier.eventFlag)
            signs += modifier.sign;
    return signs;
}

} // namespace lumeno
