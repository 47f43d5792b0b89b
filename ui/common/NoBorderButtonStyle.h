#pragma once

#include <QProxyStyle>

class QPushButton;

namespace lumeno {

// Draws a push button as its bare label (icon and text): no bezel, background, border, focus
// frame or padding, and the same look while it is pressed.
class NoBorderButtonStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Gives the button a style of this kind that lives as long as the button.
    static void apply(QPushButton *button);

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &contentsSize,
                           const QWidget *widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override;
};

} // namespace lumeno
