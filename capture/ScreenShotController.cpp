#include "ScreenShotController.h"

#include "CaptureNotifications.h"
#include "NotificationCenter.h"
#include "ScreenShotManager.h"
#include "ScreenShotView.h"
#include "ScreenShotWindow.h"
#include "SnipUtil.h"
#include "StandardOutput.h"

namespace lumeno {

namespace {

QString describe(double v)
{
    return v == double(qint64(v)) ? QString::number(v, 'f', 1) : QString::number(v, 'g', 17);
}

} // namespace

ScreenShotController::ScreenShotController(ScreenShotManager &manager, const DesktopScreen &screen,
                                           QObject *parent)
    : QObject(parent), m_manager(manager), m_screen(screen)
{
}

ScreenShotController::~ScreenShotController() = default;

void ScreenShotController::setWindow(std::unique_ptr<ScreenShotWindow> window)
{
    m_window = std::move(window);
}

ScreenShotView *ScreenShotController::view() const
{
    return m_window ? m_window->contentView() : nullptr;
}

DrawPathView *ScreenShotController::pathView() const
{
    ScreenShotView *v = view();
    return v ? v->annotation().pathView.data() : nullptr;
}

Rect ScreenShotController::panelFrame() const
{
    return m_window ? Rect::fromQt(m_screen.frame) : Rect{};
}

Point ScreenShotController::mouseLocation() const
{
    const QPointF p = m_manager.desktop().mouseLocation();
    return {p.x(), p.y()};
}

void ScreenShotController::captureScreenImages(const std::optional<QImage> &grab)
{
    if (!grab || grab->isNull())
        return;
    m_originImage = *grab;
}

void ScreenShotController::beginCapture(const std::optional<QImage> &grab)
{
    captureScreenImages(grab);
    if (!m_window)
        return;
    // The panel veils the grab as it paints it.
    m_window->setBackgroundImage(m_originImage.value_or(QImage()));
    m_window->setMouseDelegate(this);
    const Rect frame = Rect::fromQt(m_screen.frame);
    printLine(QStringLiteral("track init: (%1, %2, %3, %4)")
                  .arg(describe(0), describe(0), describe(frame.width), describe(frame.height)));
    NotificationCenter::defaultCenter().addObserver(
        this, kNotifyMouseLocationChange,
        [this](const Notification &notification) { onNotifyMouseChange(notification); });
    showWindow();
    highlightWindowUnderMouse();
}

void ScreenShotController::showWindow()
{
    if (m_window)
        m_window->showWindow();
}

void ScreenShotController::highlightWindowUnderMouse()
{
    if (!m_window)
        return;
    const Point mouse = mouseLocation();
    const Rect screen = Rect::fromQt(m_screen.frame);
    m_selection.captureWindowRect = screen;
    const double screenArea = screen.width * screen.height;
    const QList<DesktopScreen> screens = m_manager.desktop().screens();
    for (const DesktopWindow &entry : m_manager.arrayRect()) {
        if (!entry.bounds)
            continue;
        const QRectF &b = *entry.bounds;
        if (!qIsFinite(b.x()) || !qIsFinite(b.y()) || !qIsFinite(b.width()) ||
            !qIsFinite(b.height()))
            return; // Not a rectangle: the whole pass stops here, nothing is redrawn.
        const Rect r = SnipUtil::flipToScreenCoordinates(
            geometry::nativeToWindowServer(Rect::fromQt(b), screens), screens);
        if (entry.layer < 0)
            continue;
        if (r.contains(mouse) && (entry.layer == 0 || screenArea > r.width * r.height)) {
            m_selection.captureWindowRect = r;
            break;
        }
    }
    if (screen.contains(mouse)) {
        redrawSelection(m_originImage);
    } else {
        redrawSelection(std::nullopt);
        NotificationCenter::defaultCenter().post(
            kNotifyMouseLocationChange, {},
            QVariantMap{{kMouseLocationContextKey, QVariant::fromValue<QObject *>(this)}});
    }
}

void ScreenShotController::redrawSelection(std::optional<QImage> image)
{
    const Rect clipped = m_selection.captureWindowRect.intersected(panelFrame());
    if (image && clipped == m_lastRect)
        return;
    ScreenShotView *target = view();
    if (!target || (!target->image() && !image))
        return;
    QMetaObject::invokeMethod(
        this,
        [this, image = std::move(image), clipped] {
            ScreenShotView *v = view();
            // A panel that has gone shows nothing more; its view need not take the grab again.
            if (!v || !m_window->isVisible())
                return;
            // The selection as it is when the update runs, not when it was queued.
            const Rect drawing = m_window ? geometry::globalToPanel(m_selection.captureWindowRect,
                                                                    Rect::fromQt(m_screen.frame))
                                          : Rect{};
            v->setSelection(image, drawing);
            m_lastRect = clipped;
        },
        Qt::QueuedConnection);
}

void ScreenShotController::onNotifyMouseChange(const Notification &notification)
{
    if (!notification.userInfo)
        return;
    QObject *context = notification.userInfo->value(kMouseLocationContextKey).value<QObject *>();
    auto *sender = qobject_cast<ScreenShotController *>(context);
    if (!sender || sender == this)
        return;
    if (m_manager.captureState() != CaptureState::highlight)
        return;
    if (!m_window || !m_window->isVisible())
        return;
    if (!Rect::fromQt(m_screen.frame).contains(mouseLocation()))
        return;
    QMetaObject::invokeMethod(
        this,
        [self = QPointer<ScreenShotController>(this)] {
            if (!self)
                return;
            self->showWindow();
            self->highlightWindowUnderMouse();
        },
        Qt::QueuedConnection);
}

void ScreenShotController::onMouseDown(int clickCount)
{
    CaptureState state = m_manager.captureState();
    if (clickCount == 2 && state != CaptureState::highlight) {
        confirmCapture();
        state = m_manager.captureState();
    }
    const Point mouse = mouseLocation();
    ScreenShotView *v = view();
    if (state == CaptureState::adjust) {
        m_selection.beginAdjust(mouse);
    } else if (state == CaptureState::highlight) {
        m_manager.setCaptureState(CaptureState::firstMouseDown);
        m_selection.beginNewSelection(mouse);
        if (v)
            v->hideAnnotationTools();
    } else if (state == CaptureState::edit) {
        m_annotationStroke.mouseDown(mouse, m_selection.captureWindowRect);
        return;
    }
    if (v) {
        v->showToolkit();
        v->setNeedsDisplay();
    }
}

void ScreenShotController::onMouseDragged(int)
{
    const CaptureState state = m_manager.captureState();
    const Point mouse = mouseLocation();
    if (state == CaptureState::firstMouseDown || state == CaptureState::readyAdjust) {
        m_manager.setCaptureState(CaptureState::readyAdjust);
        m_selection.dragNewSelection(mouse, panelFrame());
        redrawSelection(m_originImage);
    } else if (state == CaptureState::adjust) {
        if (!m_selection.dragAdjust(mouse, panelFrame()))
            return;
        if (ScreenShotView *v = view())
            v->showSizeTip();
        redrawSelection(m_originImage);
    } else if (state == CaptureState::edit) {
        m_annotationStroke.mouseDragged(mouse, pathView());
    }
}

void ScreenShotController::onMouseUp(int)
{
    const CaptureState state = m_manager.captureState();
    ScreenShotView *v = view();
    if (state == CaptureState::firstMouseDown || state == CaptureState::readyAdjust) {
        m_manager.setCaptureState(CaptureState::adjust);
        if (v)
            v->setNeedsDisplay();
    }
    if (state == CaptureState::edit) {
        m_annotationStroke.mouseUp(mouseLocation(), pathView());
    } else if (v) {
        v->showToolkit();
        v->hideSizeTip();
        v->setNeedsDisplay();
    }
    confirmCapture();
}

void ScreenShotController::onMouseMoved(int)
{
    if (m_manager.captureState() == CaptureState::highlight)
        highlightWindowUnderMouse();
}

void ScreenShotController::releaseScreenImages()
{
    m_originImage.reset();
    if (!m_window)
        return;
    m_window->setBackgroundImage(QImage());
    if (ScreenShotView *v = view())
        v->setSelection(std::nullopt, Rect{});
}

void ScreenShotController::confirmCapture()
{
    if (!m_originImage)
        return;
    const Rect frame = Rect::fromQt(m_screen.frame);
    const Rect crop = m_selection.captureWindowRect.intersected(panelFrame());
    const QRect pixels = geometry::panelToImage(geometry::globalToPanel(crop, frame), frame.height,
                                                m_originImage->devicePixelRatio());
    m_manager.confirmCapture(*m_originImage, pixels);
    if (m_window)
        m_window->orderOut();
}

} // namespace lumeno
