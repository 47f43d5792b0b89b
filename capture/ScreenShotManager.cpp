#include "ScreenShotManager.h"

#include "CaptureNotifications.h"
#include "NotificationCenter.h"
#include "ScreenShotController.h"
#include "ScreenShotView.h"
#include "ScreenShotWindow.h"
#include "SnipUtil.h"
#include "StandardOutput.h"

#include <QClipboard>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtConcurrent/QtConcurrentRun>

namespace lumeno {

ScreenShotManager &ScreenShotManager::shared()
{
    // Deliberately never destroyed: controllers and panels may still be queued for deletion
    // when the application object goes away.
    static ScreenShotManager *const instance = new ScreenShotManager(Desktop::create());
    return *instance;
}

ScreenShotManager::ScreenShotManager(std::unique_ptr<Desktop> desktop) : ScreenShotManager(*desktop)
{
    m_ownDesktop = std::move(desktop);
}

ScreenShotManager::ScreenShotManager(Desktop &desktop, QObject *parent)
    : QObject(parent), m_desktop(desktop)
{
    connect(&m_desktop, &Desktop::activeSpaceChanged, this, &ScreenShotManager::screenChanged);
    connect(&m_desktop, &Desktop::screenParametersChanged, this, &ScreenShotManager::screenChanged);
}

ScreenShotManager::~ScreenShotManager()
{
    printLine(QStringLiteral("manager dealloc"));
    for (const auto &controller : m_windowControllerArray)
        delete controller.data();
}

std::vector<ScreenShotController *> ScreenShotManager::windowControllerArray() const
{
    std::vector<ScreenShotController *> result;
    for (const auto &controller : m_windowControllerArray) {
        if (controller)
            result.push_back(controller.data());
    }
    return result;
}

void ScreenShotManager::startCapture()
{
    if (m_isWorking)
        return;
    m_isWorking = true;
    ++m_captureNumber;
    // Both are read before any panel of this capture exists, so neither shows a panel.
    m_arrayRect = m_desktop.windowList();
    const QList<DesktopScreen> screens = m_desktop.screens();
    // Every screen is grabbed before the first panel is shown: without a compositor a panel
    // is opaque and would end up in the next screen's grab.
    std::vector<std::optional<QImage>> grabs;
    for (const DesktopScreen &screen : screens)
        grabs.push_back(m_desktop.grabScreen(screen));

    for (qsizetype i = 0; i < screens.size(); ++i) {
        auto *controller = new ScreenShotController(*this, screens[i]);
        controller->setWindow(std::make_unique<ScreenShotWindow>(*this, screens[i]));
        const QRectF &f = screens[i].frame;
        controller->window()->setContentView(
            std::make_unique<ScreenShotView>(*this, Rect::fromQt(f)));
        m_windowControllerArray.emplace_back(controller);
        m_captureState = CaptureState::highlight;
        controller->beginCapture(grabs[size_t(i)]);
    }
}

void ScreenShotManager::endCapture(std::optional<QImage> image)
{
    if (!m_isWorking)
        return;
    m_isWorking = false;
    m_isConfirming = false;
    orderOutPanels();
    // The handler that ended the capture may still run on these objects; they go once it
    // has returned to the event loop.
    for (const auto &controller : m_windowControllerArray) {
        if (controller)
            controller->deleteLater();
    }
    m_windowControllerArray.clear();
    printLine(QStringLiteral("post endcapture: kNotifyCaptureEnd"));
    std::optional<QVariantMap> userInfo;
    if (image)
        userInfo = QVariantMap{{kCaptureImageKey, QVariant::fromValue(*image)}};
    NotificationCenter::defaultCenter().post(kNotifyCaptureEnd, {}, userInfo);
}

void ScreenShotManager::orderOutPanels()
{
    for (const auto &controller : m_windowControllerArray) {
        if (controller && controller->window())
            controller->window()->orderOut();
    }
}

void ScreenShotManager::confirmCapture(QImage grab, const QRect &pixels)
{
    if (!m_isWorking || m_isConfirming)
        return;
    m_isConfirming = true;
    // The release needs nothing more of the panels; the JPEG round trip of a 4K screen takes
    // longer than a frame.
    orderOutPanels();
    // Only the image in the making needs a grab now: the other screens' memory goes back at
    // once, and this screen's grab is left to the round trip alone, which decodes a large crop
    // into it and lets it go before decoding a small one.
    for (const auto &controller : m_windowControllerArray) {
        if (controller)
            controller->releaseScreenImages();
    }
    // A watcher's signal always comes through the event loop, even for work that is done before
    // it is watched, so the capture never ends inside the release that confirmed it.
    auto *watcher = new QFutureWatcher<std::optional<QImage>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, capture = m_captureNumber] {
                const std::optional<QImage> image = watcher->result();
                watcher->deleteLater();
                if (!m_isWorking || capture != m_captureNumber)
                    return;
                if (image)
                    QGuiApplication::clipboard()->setImage(*image);
                // A selection that cannot become an image cancels instead of leaving the capture
                // open with no panel left.
                endCapture(image);
            });
    watcher->setFuture(QtConcurrent::run([grab = std::move(grab), pixels]() mutable {
        return SnipUtil::cropToJpeg(std::move(grab), pixels);
    }));
}

void ScreenShotManager::screenChanged(const QVariantMap &userInfo)
{
    const QByteArray text =
        QJsonDocument(QJsonObject::fromVariantMap(userInfo)).toJson(QJsonDocument::Compact);
    printLine(QStringLiteral("--space changed-- ") + QString::fromUtf8(text));
    if (m_isWorking)
        endCapture(std::nullopt);
}

} // namespace lumeno
