#pragma once

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

// One modifier: its mask, its symbol in the hot-key text and the Qt modifier it is here.
struct Modifier
{
    quint32 mask;
    char16_t symbol;
    Qt::KeyboardModifier qt;
};

// In the order the hot-key text writes the symbols.
inline constexpr std::array<Modifier, 4> table{{
    {controlKey, u'\u2303', Qt::MetaModifier},
    {optionKey, u'\u2325', Qt::AltModifier},
    {shiftKey, u'\u21E7', Qt::ShiftModifier},
    {cmdKey, u'\u2318', Qt::ControlModifier},
}};
} // namespace CarbonModifiers

// The union of the masks of the modifier symbols found anywhere in the text; every other
// character (the key itself included) is ignored.
quint32 carbonModifiersFromShortcut(const QString &text);

// The Qt modifiers of a mask.
Qt::KeyboardModifiers qtModifiersFromCarbon(quint32 carbonModifiers);

} // namespace lumeno
