#include "ScreenShotWindow.h"

#include "MemoryMapping.h"
#include "MouseEventProtocol.h"
#include "ScreenShotManager.h"
#include "ScreenShotView.h"
#include "StandardOutput.h"

#include <QBackingStore>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

namespace lumeno {

namespace {

const QColor kVeilColor = QColor::fromRgbF(1, 1, 1, 0.33f);

} // namespace

ScreenShotWindow::ScreenShotWindow(ScreenShotManager &manager, const DesktopScreen &screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::NoDropShadowWindowHint | Qt::X11BypassWindowManagerHint),
      m_manager(manager)
{
    // Bypassing the window manager keeps the overlay above docks and on every desktop, and
    // leaves the user's active window active; the keyboard is grabbed instead.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    if (screen.screen) {
        setScreen(screen.screen);
        setGeometry(screen.screen->geometry());
    } else {
        resize(int(screen.frame.width()), int(screen.frame.height()));
    }
}

ScreenShotWindow::~ScreenShotWindow()
{
    printLine(QStringLiteral("snip window dealloc"));
}

void ScreenShotWindow::setContentView(std::unique_ptr<ScreenShotView> view)
{
    delete m_contentView;
    m_contentView = view.release();
    m_contentView->setParent(this);
    m_contentView->setGeometry(rect());
}

void ScreenShotWindow::setBackgroundImage(const QImage &image)
{
    m_background = image;
    update();
}

void ScreenShotWindow::showWindow()
{
    show();
    raise();
    activateWindow();
    grabKeyboard();
}

void ScreenShotWindow::orderOut()
{
    releaseKeyboard();
    hide();
}

void ScreenShotWindow::paintEvent(QPaintEvent *event)
{
    if (!m_backingStorePopulated)
        populateBackingStore();
    {
        QPainter painter(this);
        // The content view paints every pixel of the plainly shown part itself, in this same pass.
        painter.setClipRegion(m_contentView ? event->region() - m_contentView->unveiledArea()
                                            : event->region());
        if (m_background.isNull()) {
            painter.fillRect(rect(), Qt::transparent);
        } else {
            painter.drawImage(QRectF(rect()), m_background);
            // Lightens the grab wherever it is opaque, as the veil always has.
            painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            painter.fillRect(rect(), kVeilColor);
        }
    }
    emit painted();
}

void ScreenShotWindow::populateBackingStore()
{
    m_backingStorePopulated = true;
    // The first paint covers the whole screen, in a backing store that is new with every capture:
    // its page faults, taken one after another, cost as long as the paint itself.
    QBackingStore *store = backingStore();
    // Read-only access: bits() could detach the image from the store's memory.
    if (const auto *image = store ? dynamic_cast<QImage *>(store->paintDevice()) : nullptr)
        MemoryMapping::populate(image->constBits(), std::size_t(image->sizeInBytes()));
}

void ScreenShotWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_contentView)
        m_contentView->setGeometry(rect());
}

void ScreenShotWindow::mousePressEvent(QMouseEvent *event)
{
    if (m_mouseDelegate && event->button() == Qt::LeftButton)
        m_mouseDelegate->onMouseDown(1);
}

void ScreenShotWindow::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_mouseDelegate && event->button() == Qt::LeftButton)
        m_mouseDelegate->onMouseDown(2);
}

void ScreenShotWindow::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_mouseDelegate && event->button() == Qt::LeftButton)
        m_mouseDelegate->onMouseUp(1);
}

void ScreenShotWindow::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_mouseDelegate)
        return;
    if (event->buttons() & Qt::LeftButton)
        m_mouseDelegate->onMouseDragged(1);
    else
        m_mouseDelegate->onMouseMoved(1);
}

void ScreenShotWindow::leaveEvent(QEvent *)
{
    // X11 stops sending motion to a window once the pointer has left it, so without this the
    // screen the mouse left would never learn it and keep its highlight beside the new one.
    if (m_mouseDelegate)
        m_mouseDelegate->onMouseMoved(1);
}

void ScreenShotWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape) {
        QWidget::keyPressEvent(event);
        return;
    }
    printLine(QStringLiteral("Escape has been pressed"));
    orderOut();
    m_manager.endCapture(std::nullopt);
}

} // namespace lumeno
