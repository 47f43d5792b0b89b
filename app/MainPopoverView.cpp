#include "MainPopoverView.h"

#include "NoBorderButtonStyle.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumeno {

MainPopoverView::MainPopoverView(QWidget *parent)
    : QWidget(parent), m_closeButton(new QPushButton(this)),
      m_text(new QLabel(tr("Click the icon to start capturing and OCR"), this))
{
    setFixedSize(kWidth, kHeight);
    NoBorderButtonStyle::apply(m_closeButton);
    m_closeButton->setIconSize(QSize(kCloseRowHeight, kCloseRowHeight));
    m_closeButton->setIcon(SymbolIcon::pixmap(
        QStringLiteral("window-close"), QStringLiteral(":/lumeno/symbols/xmark.circle.fill.svg"),
        kCloseRowHeight, palette().color(QPalette::ButtonText), devicePixelRatioF()));
    connect(m_closeButton, &QPushButton::clicked, this, [] {
        NotificationCenter::defaultCenter().post(
            QLatin1String(NotificationNames::MainPopoverClosed));
    });

    // The padding is a spacer, not a margin, so that it stays on the trailing side when the
    // layout runs right to left.
    auto *closeRow = new QHBoxLayout;
    closeRow->setContentsMargins(0, 0, 0, 0);
    closeRow->addStretch();
    closeRow->addWidget(m_closeButton);
    closeRow->addSpacing(kCloseTrailingPadding);
    m_closeButton->setFixedHeight(kCloseRowHeight);

    // No margins: the row spans the whole width, and the pair sits in the middle of the view.
    auto *stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addStretch();
    stack->addLayout(closeRow);
    stack->addWidget(m_text, 0, Qt::AlignHCenter);
    stack->addStretch();
}

} // namespace lumeno
