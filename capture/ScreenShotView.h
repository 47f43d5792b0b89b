#pragma once

#include "AnnotationLayer.h"
#include "Geometry.h"

#include <QImage>
#include <QWidget>
#include <optional>

namespace lumeno {

class ScreenShotManager;

// The content of a capture panel: the unveiled grab inside the selection, its border and, while
// the selection is adjusted, its eight handles. The veil around it is the panel's background.
class ScreenShotView : public QWidget
{
    Q_OBJECT

public:
    static constexpr double kHandleRadius = 5;
    static constexpr QRgb kBorderColor = 0xff1191fe; // RGB (17, 145, 254)
    static constexpr double kBorderWidth = 2;

    // screenFrame: the global frame of the screen the view covers.
    ScreenShotView(ScreenShotManager &manager, const Rect &screenFrame);

    // The whole screen's grab and the selection in panel points (y up); both or neither shown.
    // Repaints only where the old and the new selection are drawn.
    void setSelection(const std::optional<QImage> &image, const Rect &drawingRect);
    // Repaints the selection with its border and handles, as after a change of the capture state.
    void setNeedsDisplay();
    const std::optional<QImage> &image() const { return m_image; }
    const std::optional<Rect> &drawingRect() const { return m_drawingRect; }

    // Prints the view's description: the hook of the annotation toolbar.
    void showToolkit() const;
    // Places the size label near the mouse; there is none unless one was attached.
    void showSizeTip();
    void hideSizeTip();
    // Hides the annotation toolbar and the size label, where present.
    void hideAnnotationTools();

    // Where the annotation layer's views plug in; empty in this program.
    AnnotationHooks &annotation() { return m_annotation; }

    // The selection clipped to the view, in panel points; the zero rectangle when it misses.
    Rect clippedDrawingRect() const;
    // The widget pixels this view covers with the grab; the panel need not veil them.
    QRect unveiledArea() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // The grab's pixels under the clipped selection, in device pixels.
    QRect imagePixels() const;
    // Everything a paint draws: the image, the border and the handles (widget pixels).
    QRect footprint() const;

    ScreenShotManager &m_manager;
    Rect m_screenFrame;
    std::optional<QImage> m_image;
    std::optional<Rect> m_drawingRect;
    AnnotationHooks m_annotation;
};

} // namespace lumeno
