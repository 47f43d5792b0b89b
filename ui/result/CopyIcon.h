#pragma once

#include <QColor>
#include <QLabel>

namespace lumeno {

// The copy symbol of a text pane: a plain image, not a button (no focus, no frame). It shows the
// pointing hand while the pointer is over it, restoring the previous cursor when it leaves.
class CopyIcon : public QLabel
{
    Q_OBJECT

public:
    explicit CopyIcon(QWidget *parent = nullptr);
    ~CopyIcon() override;

    QColor tint() const { return m_tint; }
    void setTint(const QColor &tint);

signals:
    void hovered(bool inside);
    void tapped();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void popCursor();
    void render();

    QColor m_tint;
    bool m_cursorPushed = false;
};

} // namespace lumeno
