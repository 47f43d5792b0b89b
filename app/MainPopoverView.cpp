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
    : QWidget(parent), m_closeButton(new QPushButton(this))
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

    auto *closeRow = new QHBoxLayout;
    closeRow->setContentsMargins(0, 0, kCloseTrailingPadding, 0);
    closeRow->addStretch();
    closeRow->addWidget(m_closeButton);

    auto *stack = new QVBoxLayout(this);
    stack->setSpacing(0);
    stack->addStretch();
    stack->addLayout(closeRow);
    stack->addWidget(new QLabel(tr("Click the icon to start capturing and OCR"), this), 0,
                     Qt::AlignHCenter);
    stack->addStretch();
}

} // namespace lumeno
