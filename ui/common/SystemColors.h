#pragma once

#include <QColor>
#include <QPalette>

// The named system colours the windows use, as fixed colours or derived from the palette.
namespace lumeno::SystemColors {

// The secondary label colour: the text colour at half strength, so it suits light and dark
// palettes alike.
inline QColor secondary(const QPalette &palette, qreal opacity = 1.0)
{
    QColor color = palette.color(QPalette::WindowText);
    color.setAlphaF(0.5 * opacity);
    return color;
}

inline QColor orange()
{
    return QColor(0xFF, 0x95, 0x00);
}

inline QColor blue()
{
    return QColor(0x00, 0x7A, 0xFF);
}

inline QColor purple()
{
    return QColor(0xAF, 0x52, 0xDE);
}

} // namespace lumeno::SystemColors
