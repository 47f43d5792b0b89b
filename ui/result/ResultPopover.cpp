#include "ResultPopover.h"

#include "TransientPanel.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

namespace lumeno {

ResultPopover::ResultPopover(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    // The title names the window for window lists and for tools that look windows up by name.
    setWindowTitle(QStringLiteral("Lumeno OCR"));
    create();
    TransientPanel::apply(windowHandle());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void ResultPopover::setContent(QWidget *content)
{
    if (m_content == content)
        return;
    if (m_content) {
        m_content->hide();
        m_content->deleteLater();
    }
    m_content = content;
    if (!content)
        return;
    layout()->addWidget(content);
    // A layout shows a widget added to a shown window only later, and meanwhile fixes the window
    // at the size of nothing, which the platform answers by unmapping it: the new content must
    // take the old one's place at once.
    if (isVisible())
        content->show();
}

void ResultPopover::showAt(const QRect &anchor, Focus focus)
{
    const bool leave = focus == Focus::Leave;
    setAttribute(Qt::WA_ShowWithoutActivating, leave);
    // The attribute reaches the platform only when the native window is made, and this one is
    // made up front; the window's own property is what the platform reads at every show.
    windowHandle()->setProperty("_q_showWithoutActivating", leave ? QVariant(true) : QVariant());
    QScreen *screen = anchor.isEmpty() ? nullptr : QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    layout()->activate();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    move(placement(anchor, sizeHint(), available));
    show();
    raise();
    if (!leave)
        activateWindow();
}

QPoint ResultPopover::placement(const QRect &anchor, const QSize &size, const QRect &available)
{
    if (anchor.isEmpty())
        return {available.x() + available.width() - size.width(), available.y()};
    int x = anchor.x() + anchor.width() / 2 - size.width() / 2;
    int y = anchor.y() + anchor.height();
    if (y + size.height() > available.y() + available.height())
        y = anchor.y() - size.height();
    x = qBound(available.x(), x, available.x() + available.width() - size.width());
    y = qMax(available.y(), qMin(y, available.y() + available.height() - size.height()));
    return {x, y};
}

} // namespace lumeno
