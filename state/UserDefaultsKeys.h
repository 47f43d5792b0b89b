#pragma once

// Keys of the user-defaults store. They are stored in users' files: never rename them.
namespace lumeno::UserDefaultsKeys {

inline constexpr const char *LanguageCode = "LanguageCode";
inline constexpr const char *LanguageName = "LanguageName";
inline constexpr const char *TranslateName = "TranslateName";
inline constexpr const char *TranslateCode = "TranslateCode";
inline constexpr const char *hotKey = "hotKey";
inline constexpr const char *ModifierFlags = "ModifierFlags";
inline constexpr const char *eventCharacters = "eventCharacters";
inline constexpr const char *keyCode = "keyCode";
inline constexpr const char *GoogleAPIKey = "GoogleAPIKey";
inline constexpr const char *MainPopover = "MainPopover";

} // namespace lumeno::UserDefaultsKeys
