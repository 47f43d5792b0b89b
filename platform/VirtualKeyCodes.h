#pragma once

#include <QString>
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

// The character the key types with no modifier held ("e", "1", "["); nothing for a key that types
// none (function, editing, arrow and keypad keys, Return, Tab, Escape).
std::optional<QString> typedCharacters(const VirtualKey &key);
// The key's name as Qt writes it in a shortcut ("F5", "Esc", "Left", "Num+1"), or its upper-case
// character ("E", "1").
QString keyName(const VirtualKey &key);

} // namespace VirtualKeyCodes
} // namespace lumeno
