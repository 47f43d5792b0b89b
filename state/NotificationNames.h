#pragma once

// Names of the notifications the shell, the result view, the preferences and the first-run
// popover exchange. The capture's own names live with the capture.
namespace lumeno::NotificationNames {

inline constexpr const char *HotKeySetSucceed = "HotKeySetSucceed";
inline constexpr const char *PreferenceSetSucceed = "PreferenceSetSucceed";
inline constexpr const char *OCRViewClosed = "OCRViewClosed";
inline constexpr const char *MainPopoverClosed = "MainPopoverClosed";

} // namespace lumeno::NotificationNames
