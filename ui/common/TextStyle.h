#pragma once

#include <QFont>

namespace lumeno {

// The text styles the windows' layouts are written in, sized from the widget's own font, which
// stands for the body style.
enum class TextStyle
{
    Title,
    Title3,
    Headline,
    Body
};

QFont textStyleFont(TextStyle style, QFont body);

} // namespace lumeno
