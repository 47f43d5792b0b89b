#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class QPushButton;
class QToolButton;

namespace lumeno {

class ContentView;
class EscapeMonitor;
class ImageTabView;
class OCRLoading;
class TextTabView;

// The widgets of one result: the image pane, the two text panes, the toolbar ("OCR", the
// spinner, the translate button and its target menu), the close button floating over the image,
// and the alert. All state lives in the ContentView, which this view owns and follows at once.
class ResultView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 500;
    static constexpr int kPadding = 16;
    static constexpr int kSpacing = 8;
    static constexpr int kOcrButtonWidthBaidu = 120;
    static constexpr int kOcrButtonWidthGoogle = 60;
    static constexpr int kTranslateButtonWidth = 120;
    static constexpr int kTargetMenuSide = 32;

    explicit ResultView(ContentView *contentView, QWidget *parent = nullptr);

    ContentView *contentView() const { return m_contentView; }
    ImageTabView *imageTabView() const { return m_imageTabView; }
    TextTabView *textTabView() const { return m_textTabView; }
    QPushButton *ocrButton() const { return m_ocrButton; }
    OCRLoading *loading() const { return m_loading; }
    QPushButton *translateButton() const { return m_translateButton; }
    QToolButton *targetMenuButton() const { return m_targetMenuButton; }
    QToolButton *closeButton() const { return m_closeButton; }
    // The alert on screen, if any.
    QMessageBox *alert() const { return m_alert; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QWidget *makeToolbar();
    void bindTextPanes();
    void updateOcrButtonWidth();
    void updateTranslateTitle();
    void updateAlert();
    void presentAlert();
    void placeAlert();

    ContentView *m_contentView;
    EscapeMonitor *m_escapeMonitor;
    ImageTabView *m_imageTabView;
    TextTabView *m_textTabView;
    QPushButton *m_ocrButton = nullptr;
    OCRLoading *m_loading = nullptr;
    QPushButton *m_translateButton = nullptr;
    QToolButton *m_targetMenuButton = nullptr;
    QToolButton *m_closeButton;
    QPointer<QMessageBox> m_alert;
    // The alert's size with its decorations when it was last placed.
    QSize m_placedFrameSize;
};

} // namespace lumeno
