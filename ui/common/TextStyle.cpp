#include "TextStyle.h"

namespace lumeno {

QFont textStyleFont(TextStyle style, QFont body)
{
    // The ratios of the styles' sizes to the body's (22, 15 and 13 to 13).
    switch (style) {
    case TextStyle::Title:
        body.setPointSizeF(body.pointSizeF() * 22.0 / 13.0);
        break;
    case TextStyle::Title3:
        body.setPointSizeF(body.pointSizeF() * 15.0 / 13.0);
        break;
    case TextStyle::Headline:
        body.setWeight(QFont::DemiBold);
        break;
    case TextStyle::Body:
        break;
    }
    return body;
}

} // namespace lumeno
