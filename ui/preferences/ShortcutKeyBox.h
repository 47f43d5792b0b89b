#pragma once

#include <QWidget>
#include <functional>

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace lumeno {

// The rounded box that shows a shortcut and takes a tap to record a new one. While recording it
// also shows a back and a clear button, which take their own clicks.
class ShortcutKeyBox : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 40;
    static constexpr int kTextWidth = 145;

    explicit ShortcutKeyBox(std::function<void()> tapped, QWidget *parent = nullptr);

    void display(const QString &text, bool recording);

    QLabel *textLabel() const { return m_text; }
    QPushButton *backButton() const { return m_back; }
    QPushButton *clearButton() const { return m_clear; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    std::function<void()> m_tapped;
    QHBoxLayout *m_row = nullptr;
    QLabel *m_text;
    QPushButton *m_back;
    QPushButton *m_clear;
};

} // namespace lumeno
