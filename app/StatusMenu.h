#pragma once

#include <QKeySequence>
#include <QMenu>

class QAction;
class QShortcut;

namespace lumeno {

// The tray icon's menu. It only builds and retitles its items; what they do is the owner's
// business, reached through the actions' triggered signals.
class StatusMenu : public QMenu
{
    Q_OBJECT

public:
    // The tags of the two engine rows of the "OCR Mode" submenu.
    static constexpr int kGoogleModeTag = 1;
    static constexpr int kBaiduModeTag = 2;

    explicit StatusMenu(QWidget *parent = nullptr);

    QAction *captureAction() const { return m_capture; }
    QAction *preferenceAction() const { return m_preference; }
    QAction *ocrModeItem() const { return m_ocrModeItem; }
    QAction *googleModeAction() const { return m_googleMode; }
    QAction *baiduModeAction() const { return m_baiduMode; }
    QAction *websiteAction() const { return m_website; }
    QAction *rateAction() const { return m_rate; }
    QAction *aboutAction() const { return m_about; }
    QAction *quitAction() const { return m_quit; }

    // Shows the key equivalent beside "Capture Screenshot" and makes it work while the menu is
    // open, as a menu's key equivalents do.
    void setCaptureKeyEquivalent(const QString &eventCharacters);
    // The stored key character with a menu item's default modifier, command (Control here); a
    // single upper-case letter adds Shift, as it does in a menu item's key equivalent, while a
    // key's name ("F5") adds nothing. The global hot key's own modifiers play no part. Empty
    // without a key character.
    static QKeySequence keyEquivalent(const QString &eventCharacters);

private:
    QAction *m_capture;
    // The menu's own actions count only where the menu sits in a window; a top-level menu needs
    // a shortcut of its own to take the key while it is open.
    QShortcut *m_captureShortcut;
    QAction *m_preference;
    QAction *m_ocrModeItem;
    QAction *m_googleMode;
    QAction *m_baiduMode;
    QAction *m_website;
    QAction *m_rate;
    QAction *m_about;
    QAction *m_quit;
};

} // namespace lumeno
