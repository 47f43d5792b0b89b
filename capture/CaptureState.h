#pragma once

#include <cstdint>
#include <optional>

namespace lumeno {

// The state of the open (or last) capture, shared by every screen of it.
enum class CaptureState : std::uint8_t
{
    idle = 0,
    highlight = 1,
    firstMouseDown = 2,
    readyAdjust = 3,
    adjust = 4,
    // Annotation mode; no transition leads here.
    edit = 5,
    done = 6,
};

inline std::optional<CaptureState> captureStateFromRawValue(int raw)
{
    if (raw < 0 || raw > 6)
        return std::nullopt;
    return CaptureState(raw);
}

} // namespace lumeno
