#pragma once

#include <QWidget>
#include <functional>

namespace lumeno {

// The annotation tool panel: a dark rounded plate.
class ToolContainer : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    // Called with the index of the chosen tool.
    std::function<void(int)> toolClick;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace lumeno
