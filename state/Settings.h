#pragma once

#include "Result.h"

#include <QString>
#include <QtGlobal>

namespace lumeno {

class UserDefaults;

// One stored setting: its key (stored in users' files: never rename it) and the value taken
// when the store holds none that fits. The value type is the stored type: text, or an unsigned
// number of 32 or 64 bits.
template <typename T> struct Setting
{
    const char *key;
    T defaultValue;
};

// Every setting of the store, in the order a state object loads them.
namespace Settings {
inline const Setting<QString> LanguageCode{"LanguageCode", QStringLiteral("ENG")};
inline const Setting<QString> LanguageName{"LanguageName", QStringLiteral("English")};
inline const Setting<QString> TranslateName{"TranslateName", QStringLiteral("English")};
inline const Setting<QString> TranslateCode{"TranslateCode", QStringLiteral("en")};
// Shift and command: Shift+Ctrl+E here.
inline const Setting<QString> hotKey{"hotKey", QStringLiteral("\u21E7\u2318E")};
inline constexpr Setting<quint64> ModifierFlags{"ModifierFlags", 0};
inline const Setting<QString> eventCharacters{"eventCharacters", QStringLiteral("E")};
// The E key.
inline constexpr Setting<quint32> keyCode{"keyCode", 14};
inline const Setting<QString> GoogleAPIKey{"GoogleAPIKey", QString()};
// "2" hides the first-run hint for good; "1" says it has been shown.
inline const Setting<QString> MainPopover{"MainPopover", QString()};
} // namespace Settings

// The stored value by the loading rules: text is any stored text (also an empty one) or a stored
// number given as its text; a number is one that converts exactly to the unsigned type. Anything
// else, and an absent key, gives the default.
QString load(const UserDefaults &defaults, const Setting<QString> &setting);
quint32 load(const UserDefaults &defaults, const Setting<quint32> &setting);
quint64 load(const UserDefaults &defaults, const Setting<quint64> &setting);

// Stores the value with the setting's type, so that load gives it back exactly. A 64-bit value
// above 2^63 - 1 that a JSON number cannot hold exactly is refused.
Result store(UserDefaults &defaults, const Setting<QString> &setting, const QString &value);
Result store(UserDefaults &defaults, const Setting<quint32> &setting, quint32 value);
Result store(UserDefaults &defaults, const Setting<quint64> &setting, quint64 value);

} // namespace lumeno
