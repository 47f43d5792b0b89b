#include "NoBorderButtonStyle.h"

#include <QPushButton>
#include <QStyleOptionButton>

namespace lumeno {

void NoBorderButtonStyle::apply(QPushButton *button)
{
    // A widget does not own the style it is given.
    auto *style = new NoBorderButtonStyle;
    style->setParent(button);
    button->setStyle(style);
}

void NoBorderButtonStyle::drawControl(ControlElement element, const QStyleOption *option,
                                      QPainter *painter, const QWidget *widget) const
{
    const auto *button = qstyleoption_cast<const QStyleOptionButton *>(option);
    if (element != CE_PushButton || !button) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    QStyleOptionButton label = *button;
    label.state &= ~(State_Sunken | State_On | State_HasFocus);
    label.features &= ~QStyleOptionButton::HasMenu;
    QProxyStyle::drawControl(CE_PushButtonLabel, &label, painter, widget);
}

QSize NoBorderButtonStyle::sizeFromContents(ContentsType type, const QStyleOption *option,
                                            const QSize &contentsSize, const QWidget *widget) const
{
    if (type == CT_PushButton)
        return contentsSize;
    return QProxyStyle::sizeFromContents(type, option, contentsSize, widget);
}

int NoBorderButtonStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                                     const QWidget *widget) const
{
    // A pressed label stays where it is.
    if (metric == PM_ButtonShiftHorizontal || metric == PM_ButtonShiftVertical)
        return 0;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

} // namespace lumeno
