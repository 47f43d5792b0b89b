#pragma once

#include <QChar>
#include <QString>
#include <QtGlobal>
#include <array>

namespace lumeno {

// The modifier masks a stored hot key is expressed in, one bit per modifier symbol of the
// hot-key text. On X11: command is Control, control is Super, option is Alt.
namespace CarbonModifiers {
inline constexpr quint32 cmdKey = 0x100;      // "⌘"
inline constexpr quint32 shiftKey = 0x200;    // "⇧"
inline constexpr quint32 optionKey = 0x800;   // "⌥"
inline constexpr quint32 controlKey = 0x1000; // "⌃"
} // namespace CarbonModifiers

// One modifier as each layer names it: its sign in the hot-key text, its bit in a registration's
// mask, its flag in a recorded key press, Qt's modifier and the X11 key-state bit. Command is
// Control, as Qt itself shows Ctrl as "⌘" on the platform the settings come from, so the default
// "⇧⌘E" is Shift+Ctrl+E here; control is Super (Meta in Qt, Mod4 in X11).
struct ModifierSign
{
    QChar sign;
    quint32 carbonMask;
    quint64 eventFlag;
    Qt::KeyboardModifier qtModifier;
    quint16 xMask;
};

// In the order the hot-key text writes the signs.
inline constexpr std::array<ModifierSign, 4> kModifierSigns{{
    {QChar(0x2303), CarbonModifiers::controlKey, 0x40000, Qt::MetaModifier, 0x40},
    {QChar(0x2325), CarbonModifiers::optionKey, 0x80000, Qt::AltModifier, 0x08},
    {QChar(0x21E7), CarbonModifiers::shiftKey, 0x20000, Qt::ShiftModifier, 0x01},
    {QChar(0x2318), CarbonModifiers::cmdKey, 0x100000, Qt::ControlModifier, 0x04},
}};

// The union of the masks of the modifier symbols found anywhere in the text; every other
// character (the key itself included) is ignored.
quint32 carbonModifiersFromShortcut(const QString &text);

// The Qt modifiers of a registration's mask.
Qt::KeyboardModifiers qtModifiersFromCarbon(quint32 carbonModifiers);

// The flags of the modifiers held, as a recorded key press carries them; Qt's keypad and group
// modifiers have none.
quint64 eventFlagsFromQt(Qt::KeyboardModifiers modifiers);

// The signs of the flags that are set, in the hot-key text's order; other flags are ignored.
QString modifierSignsFromEventFlags(quint64 flags);

} // namespace lumeno
