#pragma once

#include <QWidget>

namespace lumeno {

class TextPane;

// The text half of the result popover: "OCR Results" and "Translation" side by side on a faint
// rounded background. The owner keeps the panes and its strings in step through the panes'
// setText and textEdited.
class TextTabView : public QWidget
{
    Q_OBJECT

public:
    explicit TextTabView(QWidget *parent = nullptr);

    TextPane *ocrPane() const { return m_ocrPane; }
    TextPane *translationPane() const { return m_translationPane; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    TextPane *m_ocrPane;
    TextPane *m_translationPane;
};

} // namespace lumeno
