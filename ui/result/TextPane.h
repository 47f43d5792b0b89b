#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace lumeno {

class CopyIcon;

// One pane of the result's text half: a title with a copy icon above an editable text area 300
// points high. A tap on the icon copies the whole text, as edited, to the clipboard and toggles
// the "Copied" badge; the pointer leaving the icon hides the badge.
class TextPane : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kEditorHeight = 300;

    explicit TextPane(const QString &title, QWidget *parent = nullptr);

    QString text() const;
    // Leaves the editor (and its cursor) alone when the text is already the same.
    void setText(const QString &text);

    bool isCopied() const { return m_copied; }

    QPlainTextEdit *editor() const { return m_editor; }
    CopyIcon *copyIcon() const { return m_copyIcon; }
    QLabel *copiedBadge() const { return m_badge; }

signals:
    // Only the user's edits, never setText.
    void textEdited(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void copy();
    void setCopied(bool copied);
    void placeBadge();
    void applyLineSpacing();

    QPlainTextEdit *m_editor;
    CopyIcon *m_copyIcon;
    QLabel *m_badge;
    bool m_copied = false;
    bool m_settingText = false;
};

} // namespace lumeno
