#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace lumeno {

// The first-run hint that hangs under the tray icon: where to start, and a close button that
// asks the shell to close it by posting "MainPopoverClosed".
class MainPopoverView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 300;
    static constexpr int kHeight = 50;
    static constexpr int kCloseRowHeight = 20;
    static constexpr int kCloseTrailingPadding = 10;

    explicit MainPopoverView(QWidget *parent = nullptr);

    QPushButton *closeButton() const { return m_closeButton; }
    QLabel *text() const { return m_text; }

private:
    QPushButton *m_closeButton;
    QLabel *m_text;
};

} // namespace lumeno
