#pragma once

#include <optional>

namespace lumeno {

// The recognition engine. The raw values are part of the menu tags and must not change.
enum class OcrModeType : int
{
    baidu = 0,  // the maker's OCR server ("Mode 2", the default)
    google = 1, // Google text detection ("Mode 1 (Powered by Google)")
};

constexpr int rawValue(OcrModeType mode)
{
    return static_cast<int>(mode);
}

constexpr std::optional<OcrModeType> ocrModeTypeFromRawValue(int raw)
{
    switch (raw) {
    case 0:
        return OcrModeType::baidu;
    case 1:
        return OcrModeType::google;
    default:
        return std::nullopt;
    }
}

} // namespace lumeno
