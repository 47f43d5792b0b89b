#pragma once

#include "CapturedController.h"
#include "PreferenceWindow.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <functional>

class QSystemTrayIcon;

namespace lumeno {

class GlobalHotKey;
class LumenoObject;
class ResultPopover;
class StatusMenu;
class UserDefaults;
struct Notification;

// The tray program's shell: the tray icon and its menu, the global hot key, the notification
// observers and the result popover. One lives for the whole run. Main thread only.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    // What the shell asks of the capture; tests put recorders in their place.
    struct Capture
    {
        std::function<void()> startCapture;
        // Called before the result is shown.
        std::function<void(const QImage &, const LumenoObject &)> saveCapturedImage;
    };

    // What the shell asks of the desktop around it; tests put recorders in their place.
    struct Environment
    {
        // Opens a web address in the user's browser.
        std::function<void(const QUrl &)> openUrl;
        // Whether a tray host shows the icon: the first-run hint hangs from it or not at all.
        std::function<bool()> trayAvailable;

        static Environment system();
    };

    // The identifier every registration of the global hot key carries.
    static constexpr quint32 kHotKeyId = 0;
    static constexpr int kFirstRunDelayMs = 500;

    // The hot-key service, the store and the state object loaded from it must outlive the
    // delegate.
    AppDelegate(GlobalHotKey &hotKey, UserDefaults &defaults, LumenoObject &lumenoObject,
                Capture capture, Environment environment = Environment::system(),
                QObject *parent = nullptr);
    ~AppDelegate() override;

    // Observers, the global hot key, the tray icon with its menu and the first-run timer.
    void applicationDidFinishLaunching();

    // Drops the current grab, if any, grabs the stored shortcut again and shows it in the menu.
    void registerHotkey();
    // "Capture Screenshot": closes the result popover, then starts a capture.
    void screenshot();
    // tag 1: Google, tag 2: the maker's server; other tags change nothing.
    void ocrMode(int tag);
    // "Quit  Lumeno OCR": ends the event loop; main then stops the embedded server.
    void quitApp();
    void closeOcrView();
    // "Preference": a new preferences window each time; the delegate keeps only the newest.
    void preference();
    // Closes the newest preferences window, if it is still open.
    void preferenceSetSucceed();
    // "About": a new About window each time, which nobody keeps: it goes when it is closed.
    void about();
    // "Website" and "Rate LMO": the product's home page and its review page in the browser.
    void website();
    void rate();
    // The first-run hint: shown under the tray icon unless "MainPopover" is "2", then
    // remembered as shown; closed by its own close button.
    void showMainPopover();
    void closeMainPopover();
    // Shows a confirmed capture (saved first) in the popover; a cancelled one shows nothing.
    void lumenoOCRView(const Notification &notification);

    StatusMenu *statusMenu() const { return m_statusMenu; }
    QSystemTrayIcon *statusBarItem() const { return m_statusBarItem; }
    ResultPopover *screenshotPopover() const { return m_screenshotPopover; }
    ResultPopover *mainPopover() const { return m_mainPopover; }
    const QTimer &timer() const { return m_timer; }
    PreferenceWindow *preferenceWindow() const { return m_preferenceWindow; }

private:
    // A registered shortcut was pressed: the one of the program starts a capture.
    void hotKeyEventHandler(quint32 id);
    void registerHotKeyNow();
    void updateKeyEquivalent();
    void menuWillOpen();
    void openLink(const char *address);
    QRect popoverAnchor() const;
    // Makes a window with the factory, keeps it in the field (the window it held stays open on
    // its own) and brings it to the front, even while another program has the focus.
    template <typename Window, typename Factory>
    void showWindowController(Factory factory, QPointer<Window> &field);

    GlobalHotKey &m_hotKey;
    UserDefaults &m_defaults;
    LumenoObject &m_lumenoObject;
    Capture m_capture;
    Environment m_environment;
    StatusMenu *m_statusMenu = nullptr;
    QSystemTrayIcon *m_statusBarItem = nullptr;
    ResultPopover *m_screenshotPopover;
    ResultPopover *m_mainPopover;
    // Never set, like the controller below is never used: the shell's overlay window and
    // capture controller slots.
    QPointer<QWidget> m_overlayWindow;
    CapturedController m_screenController;
    QTimer m_timer;
    QPointer<PreferenceWindow> m_preferenceWindow;
};

} // namespace lumeno
