#pragma once

#include "DrawPathInfo.h"

#include <QPainterPath>
#include <QWidget>
#include <optional>
#include <vector>

namespace lumeno {

class ScreenShotManager;

// The annotation layer over a selection. Draws only while the capture is in state edit.
class DrawPathView : public QWidget
{
    Q_OBJECT

public:
    static constexpr double kLineWidth = 4;

    // screenFrame: global frame of the screen the view's panel covers.
    DrawPathView(ScreenShotManager &manager, const Rect &screenFrame, QWidget *parent = nullptr);

    // The outline of one shape in panel points (y up), origin of the view at viewOrigin (panel
    // points); empty when the shape is too small to draw. The arrow's path is to be filled too.
    static QPainterPath shapePath(const DrawPathInfo &info, const Rect &screenFrame,
                                  Point viewOrigin);

    std::vector<DrawPathInfo> rectArray;
    std::optional<DrawPathInfo> currentInfo;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawShape(QPainter &painter, const DrawPathInfo &info) const;

    ScreenShotManager &m_manager;
    Rect m_screenFrame;
};

} // namespace lumeno
