#pragma once

#include <QString>
#include <QtGlobal>

namespace lumeno {

// The modifier masks a stored hot key is expressed in, one bit per modifier symbol of the
// hot-key text. On X11: command is Control, control is Super, option is Alt.
namespace CarbonModifiers {
inline constexpr quint32 cmdKey = 0x100;      // "⌘"
inline constexpr quint32 shiftKey = 0x200;    // "⇧"
inline constexpr quint32 optionKey = 0x800;   // "⌥"
inline constexpr quint32 controlKey = 0x1000; // "⌃"
} // namespace CarbonModifiers

// The union of the masks of the modifier symbols found anywhere in the text; every other
// character (the key itself included) is ignored.
quint32 carbonModifiersFromShortcut(const QString &text);

} // namespace lumeno
