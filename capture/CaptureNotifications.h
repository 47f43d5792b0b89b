#pragma once

#include <QLatin1StringView>

namespace lumeno {

// Posted when a capture ends. After a confirmation the userInfo holds kCaptureImageKey with the
// QImage; after a cancellation there is no userInfo at all.
inline constexpr QLatin1StringView kNotifyCaptureEnd("kNotifyCaptureEnd");
inline constexpr QLatin1StringView kCaptureImageKey("image");

// Posted by a screen's controller when the mouse left its screen; userInfo
// {kMouseLocationContextKey: the posting controller as a QObject pointer}.
inline constexpr QLatin1StringView kNotifyMouseLocationChange("kNotifyMouseLocationChange");
inline constexpr QLatin1StringView kMouseLocationContextKey("context");

} // namespace lumeno
