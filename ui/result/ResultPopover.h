#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>

namespace lumeno {

// The window that hangs under the tray icon and hosts one result view at a time. It is a
// frameless tool window: clicks elsewhere leave it open; only its owner closes it. Like the tray
// icon's menu it is no task of its own: not in the taskbar, the pager or window switching.
class ResultPopover : public QWidget
{
    Q_OBJECT

public:
    explicit ResultPopover(QWidget *parent = nullptr);

    // Takes the content over and drops the previous one, also while shown; the window then
    // takes the new content's size.
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

    // Whether showing the window gives it the keyboard: the result view takes it so that Escape
    // works at once; a hint that appears by itself leaves it with what the user is typing in.
    enum class Focus
    {
        Take,
        Leave
    };

    // Shows the window under the anchor (global, y down), or under the top-right corner of the
    // primary screen's available area when the anchor is empty (no tray host).
    void showAt(const QRect &anchor, Focus focus = Focus::Take);
    bool isShown() const { return isVisible(); }

    // The top-left corner for a window of this size: centred under the anchor, above it when
    // there is no room below (a tray at the bottom), kept inside the available area.
    static QPoint placement(const QRect &anchor, const QSize &size, const QRect &available);

private:
    QPointer<QWidget> m_content;
};

} // namespace lumeno
