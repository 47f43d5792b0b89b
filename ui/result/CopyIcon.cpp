#include "CopyIcon.h"

#include "SymbolIcon.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>

namespace lumeno {

CopyIcon::CopyIcon(QWidget *parent) : QLabel(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignCenter);
}

CopyIcon::~CopyIcon()
{
    popCursor();
}

void CopyIcon::setTint(const QColor &tint)
{
    m_tint = tint;
    render();
}

void CopyIcon::render()
{
    // Sized by the font, like the pane's title beside it.
    const int side = QFontMetrics(font()).height();
    setPixmap(SymbolIcon::pixmap(QStringLiteral("edit-copy"),
                                 QStringLiteral(":/lumeno/result/doc.on.doc.fill.svg"), side,
                                 m_tint, devicePixelRatioF()));
}

void CopyIcon::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    if (!m_cursorPushed) {
        QGuiApplication::setOverrideCursor(Qt::PointingHandCursor);
        m_cursorPushed = true;
    }
    emit hovered(true);
}

void CopyIcon::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    emit hovered(false);
    popCursor();
}

void CopyIcon::hideEvent(QHideEvent *event)
{
    // A closed popover gets no leave event: the hand must not outlive it.
    QLabel::hideEvent(event);
    popCursor();
}

void CopyIcon::popCursor()
{
    if (!m_cursorPushed)
        return;
    QGuiApplication::restoreOverrideCursor();
    m_cursorPushed = false;
}

void CopyIcon::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit tapped();
}

} // namespace lumeno
