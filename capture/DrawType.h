#pragma once

#include <cstdint>
#include <optional>

namespace lumeno {

// Shape kind of an annotation.
enum class DrawType : std::uint8_t
{
    rect = 0,
    ellipse = 1,
    arrow = 2,
};

inline std::optional<DrawType> drawTypeFromRawValue(int raw)
{
    if (raw < 0 || raw > 2)
        return std::nullopt;
    return DrawType(raw);
}

} // namespace lumeno
