#pragma once

#include <QString>
#include <QWidget>

class QKeyEvent;

namespace lumeno {

class GlobalHotKey;
class KeyEventMonitor;
class LumenoObject;
class ShortcutKeyBox;
class UserDefaults;
struct KeyPress;

// The "Shortcuts" page, the shortcut recorder. A tap on the key box starts recording (and
// releases the global hot key until the next "HotKeySetSucceed"); the next key press, with the
// modifiers held, becomes the shortcut in the shared state object. Recording mode is the shared
// object's editHotKey, so it outlives the page. Nothing here stores or registers anything.
class ShortcutsView : public QWidget
{
    Q_OBJECT

public:
    // The hot-key service and the state object must outlive the page; the store gives the
    // shortcut the back button returns to.
    ShortcutsView(LumenoObject &lumenoObject, bool editHotKey, GlobalHotKey &hotKeyService,
                  const UserDefaults &defaults, QWidget *parent = nullptr);
    ~ShortcutsView() override;

    void startShortcutEditing();
    void restoreShortcut();
    void clearShortcut();
    void installShortcutMonitor();
    void removeShortcutMonitor();
    // Records a key press while recording; everything else passes by. Never consumes the event.
    void handleShortcutEvent(const QKeyEvent &event);
    // The shortcut's text for a key press; also sets the key's characters and code on the
    // shared object.
    QString makeShortcutText(const KeyPress &press);

    QString capturedKey() const { return m_capturedKey; }
    bool isMonitorInstalled() const;
    ShortcutKeyBox *keyBox() const { return m_keyBox; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void updateKeyBox();

    KeyEventMonitor *m_eventMonitor = nullptr;
    QString m_capturedKey;
    // Kept as the page's state, though nothing reads them: the key box shows the shared object's
    // hotKey, and recording mode is the shared object's editHotKey.
    QString m_previousKey;
    QString m_hotKey;
    LumenoObject &m_lumenoObject;
    bool m_editHotKey;
    GlobalHotKey &m_hotKeyService;
    ShortcutKeyBox *m_keyBox;
};

} // namespace lumeno
