#pragma once

#include <QtGlobal>
#include <optional>
#include <span>

namespace lumeno {

// One key as the settings name it (the virtual key code the shortcut recorder stores, 14 is E),
// as X11 names it (the keysym of its unshifted level) and as Qt names it (a Qt::Key value).
struct VirtualKey
{
    quint32 code;
    quint32 keysym;
    int qtKey;
};

namespace VirtualKeyCodes {

// Every key a hot key can use: letters, digits, punctuation, function, editing, arrow and keypad
// keys.
std::span<const VirtualKey> table();

std::optional<VirtualKey> forCode(quint32 code);
// Letters are found by either case.
std::optional<VirtualKey> forKeysym(quint32 keysym);
// A Qt key names a main-block key and its keypad twin alike (Qt tells them apart only by the
// keypad modifier): pass keypad = true for the keypad one.
std::optional<VirtualKey> forQtKey(int qtKey, bool keypad = false);

} // namespace VirtualKeyCodes
} // namespace lumeno
