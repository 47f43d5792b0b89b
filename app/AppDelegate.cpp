#include "AppDelegate.h"

#include "CaptureNotifications.h"
#include "CarbonModifiers.h"
#include "ContentView.h"
#include "GlobalHotKey.h"
#include "LumenoObject.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "ResultPopover.h"
#include "ResultView.h"
#include "StatusMenu.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QIcon>
#include <QSystemTrayIcon>
#include <cstdio>

namespace lumeno {

AppDelegate::AppDelegate(GlobalHotKey &hotKey, LumenoObject &lumenoObject, Capture capture,
                         QObject *parent)
    : QObject(parent), m_hotKey(hotKey), m_lumenoObject(lumenoObject),
      m_capture(std::move(capture)), m_screenshotPopover(new ResultPopover)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(kFirstRunDelayMs);
    connect(&m_timer, &QTimer::timeout, this, &AppDelegate::showMainPopover);
    connect(&m_hotKey, &GlobalHotKey::pressed, this, [this](quint32 id) {
        // A press during a capture is ignored by the capture itself.
        if (id == kHotKeyId)
            m_capture.startCapture();
    });
}

AppDelegate::~AppDelegate()
{
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
    // Nothing to close until the preferences window and the first-run popover exist.
    center.addObserver(this, NotificationNames::PreferenceSetSucceed, [](const Notification &) {});
    center.addObserver(this, NotificationNames::OCRViewClosed,
                       [this](const Notification &) { closeOcrView(); });
    center.addObserver(this, NotificationNames::MainPopoverClosed, [](const Notification &) {});

    registerHotKeyNow();

    m_statusMenu = new StatusMenu;
    connect(m_statusMenu, &QMenu::aboutToShow, this, &AppDelegate::menuWillOpen);
    connect(m_statusMenu->captureAction(), &QAction::triggered, this, &AppDelegate::screenshot);
    for (QAction *mode : {m_statusMenu->googleModeAction(), m_statusMenu->baiduModeAction()})
        connect(mode, &QAction::triggered, this, [this, mode] { ocrMode(mode->data().toInt()); });
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
    if (!registration.ref) {
        std::printf("Hot key %s not registered: %s\n",
                    qPrintable(GlobalHotKey::displayName(m_lumenoObject.keyCode(), modifiers)),
                    qPrintable(registration.why));
        std::fflush(stdout);
    }
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
    // The first-run hint comes with its own window later; the timer has done its one run.
    m_timer.stop();
}

} // namespace lumeno
