#include "AppDelegate.h"

#include "AboutWindowController.h"
#include "CaptureNotifications.h"
#include "CarbonModifiers.h"
#include "ContentView.h"
#include "GlobalHotKey.h"
#include "LumenoObject.h"
#include "MainPopoverView.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PreferenceWindow.h"
#include "ResultPopover.h"
#include "ResultView.h"
#include "Settings.h"
#include "StandardOutput.h"
#include "StatusMenu.h"
#include "UserDefaults.h"
#include "Version.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QIcon>
#include <QSystemTrayIcon>

namespace lumeno {

namespace {

// A tray program never has the focus when its menu is used; its windows must still come up in
// front of the program that had it.
void bringToFront(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

AppDelegate::Environment AppDelegate::Environment::system()
{
    return {[](const QUrl &url) { QDesktopServices::openUrl(url); },
            &QSystemTrayIcon::isSystemTrayAvailable};
}

AppDelegate::AppDelegate(GlobalHotKey &hotKey, UserDefaults &defaults, LumenoObject &lumenoObject,
                         Capture capture, Environment environment, QObject *parent)
    : QObject(parent), m_hotKey(hotKey), m_defaults(defaults), m_lumenoObject(lumenoObject),
      m_capture(std::move(capture)), m_environment(std::move(environment)),
      m_screenshotPopover(new ResultPopover), m_mainPopover(new ResultPopover)
{
    // Both hang under the tray icon; the title tells them apart in window lists.
    m_mainPopover->setWindowTitle(QStringLiteral("Lumeno OCR Hint"));
    m_timer.setSingleShot(true);
    m_timer.setInterval(kFirstRunDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &AppDelegate::showMainPopover);
    connect(&m_hotKey, &GlobalHotKey::pressed, this, &AppDelegate::hotKeyEventHandler);
}

void AppDelegate::hotKeyEventHandler(quint32 id)
{
    // A press during a capture is ignored by the capture itself.
    if (id == kHotKeyId)
        m_capture.startCapture();
}

AppDelegate::~AppDelegate()
{
    delete m_mainPopover;
    delete m_screenshotPopover;
    delete m_statusMenu;
}

void AppDelegate::applicationDidFinishLaunching()
{
    auto &center = NotificationCenter::defaultCenter();
    center.addObserver(this, kNotifyCaptureEnd,
                       [this](const Notification &n) { lumenoOCRView(n); });
    center.addObserver(this, NotificationNames::HotKeySetSucceed,
                       [this](const Notification &) { registerHotkey(); });
    center.addObserver(this, NotificationNames::PreferenceSetSucceed,
                       [this](const Notification &) { preferenceSetSucceed(); });
    center.addObserver(this, NotificationNames::OCRViewClosed,
                       [this](const Notification &) { closeOcrView(); });
    center.addObserver(this, NotificationNames::MainPopoverClosed,
                       [this](const Notification &) { closeMainPopover(); });

    registerHotKeyNow();

    m_statusMenu = new StatusMenu;
    connect(m_statusMenu, &QMenu::aboutToShow, this, &AppDelegate::menuWillOpen);
    connect(m_statusMenu->captureAction(), &QAction::triggered, this, &AppDelegate::screenshot);
    connect(m_statusMenu->preferenceAction(), &QAction::triggered, this, &AppDelegate::preference);
    for (QAction *mode : {m_statusMenu->googleModeAction(), m_statusMenu->baiduModeAction()})
        connect(mode, &QAction::triggered, this, [this, mode] { ocrMode(mode->data().toInt()); });
    connect(m_statusMenu->websiteAction(), &QAction::triggered, this, &AppDelegate::website);
    connect(m_statusMenu->rateAction(), &QAction::triggered, this, &AppDelegate::rate);
    connect(m_statusMenu->aboutAction(), &QAction::triggered, this, &AppDelegate::about);
    connect(m_statusMenu->quitAction(), &QAction::triggered, this, &AppDelegate::quitApp);
    updateKeyEquivalent();

    m_statusBarItem =
        new QSystemTrayIcon(QIcon(QStringLiteral(":/lumeno/app/LumenoOCR.svg")), this);
    m_statusBarItem->setToolTip(QStringLiteral("LumenoOCR"));
    m_statusBarItem->setContextMenu(m_statusMenu);
    // Any click opens the menu, as on a menu bar; the right button does so by itself.
    connect(m_statusBarItem, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    m_statusMenu->popup(QCursor::pos());
            });
    m_statusBarItem->show();

    m_timer.start();
}

void AppDelegate::registerHotKeyNow()
{
    const quint32 modifiers = carbonModifiersFromShortcut(m_lumenoObject.hotKey());
    const auto registration =
        m_hotKey.registerHotKey(m_lumenoObject.keyCode(), modifiers, kHotKeyId);
    m_lumenoObject.setCurrentHotKeyRef(registration.ref);
    if (!registration.ref)
        printLine(QStringLiteral("Hot key %1 not registered: %2")
                      .arg(GlobalHotKey::displayName(m_lumenoObject.keyCode(), modifiers),
                           registration.why));
}

void AppDelegate::registerHotkey()
{
    if (const auto ref = m_lumenoObject.currentHotKeyRef()) {
        m_hotKey.unregisterHotKey(*ref);
        m_lumenoObject.setCurrentHotKeyRef(std::nullopt);
    }
    registerHotKeyNow();
    updateKeyEquivalent();
}

void AppDelegate::updateKeyEquivalent()
{
    if (!m_statusMenu)
        return;
    m_statusMenu->setCaptureKeyEquivalent(m_lumenoObject.eventCharacters());
}

void AppDelegate::screenshot()
{
    closeOcrView();
    m_capture.startCapture();
}

void AppDelegate::ocrMode(int tag)
{
    if (tag == StatusMenu::kGoogleModeTag) {
        m_statusMenu->ocrModeItem()->setText(tr("OCR Mode (Mode1)"));
        m_lumenoObject.setOcrModeType(OcrModeType::google);
    } else if (tag == StatusMenu::kBaiduModeTag) {
        m_statusMenu->ocrModeItem()->setText(tr("OCR Mode (Mode2)"));
        m_lumenoObject.setOcrModeType(OcrModeType::baidu);
    }
}

void AppDelegate::quitApp()
{
    // Queued: the menu that triggered this is still on the stack.
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

void AppDelegate::closeOcrView()
{
    if (m_screenshotPopover->isShown())
        m_screenshotPopover->hide();
}

template <typename Window, typename Factory>
void AppDelegate::showWindowController(Factory factory, QPointer<Window> &field)
{
    field = factory(m_lumenoObject);
    bringToFront(field);
}

void AppDelegate::preference()
{
    showWindowController(
        [this](LumenoObject &lumenoObject) {
            return makePreferenceWindow(lumenoObject, {m_defaults, m_hotKey});
        },
        m_preferenceWindow);
}

void AppDelegate::preferenceSetSucceed()
{
    if (m_preferenceWindow)
        m_preferenceWindow->close();
}

void AppDelegate::about()
{
    bringToFront(new AboutWindowController);
}

void AppDelegate::website()
{
    openLink(kHomePage);
}

void AppDelegate::rate()
{
    openLink(kReviewPage);
}

void AppDelegate::openLink(const char *address)
{
    m_environment.openUrl(QUrl(QString::fromLatin1(address)));
}

void AppDelegate::menuWillOpen()
{
    closeOcrView();
}

void AppDelegate::lumenoOCRView(const Notification &notification)
{
    if (!notification.userInfo)
        return;
    const QImage image = notification.userInfo->value(kCaptureImageKey).value<QImage>();
    // The capture posts userInfo only with an image; anything else has nothing to show.
    if (image.isNull())
        return;
    m_capture.saveCapturedImage(image, m_lumenoObject);
    m_screenshotPopover->setContent(new ResultView(new ContentView(&m_lumenoObject, image)));
    if (!m_screenshotPopover->isShown())
        m_screenshotPopover->showAt(popoverAnchor());
}

QRect AppDelegate::popoverAnchor() const
{
    // Without a tray host, or before it has placed the icon, the geometry is empty or at 0,0.
    const QRect icon = m_statusBarItem ? m_statusBarItem->geometry() : QRect();
    return icon.topLeft().isNull() ? QRect() : icon;
}

void AppDelegate::showMainPopover()
{
    m_mainPopover->setContent(new MainPopoverView);
    if (load(m_defaults, Settings::MainPopover) == QStringLiteral("2"))
        return;
    if (!m_environment.trayAvailable())
        return;
    m_mainPopover->showAt(popoverAnchor(), ResultPopover::Focus::Leave);
    if (const Result stored = store(m_defaults, Settings::MainPopover, QStringLiteral("1"));
        !stored)
        printLine(QStringLiteral("Could not remember that the first-run hint was shown: ") +
                  stored.why);
    m_timer.stop();
}

void AppDelegate::closeMainPopover()
{
    if (m_mainPopover->isShown())
        m_mainPopover->hide();
}

} // namespace lumeno
