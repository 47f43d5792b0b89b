#include "ResultView.h"

#include "Alert.h"
#include "ContentView.h"
#include "EscapeMonitor.h"
#include "ImageTabView.h"
#include "LumenoObject.h"
#include "OCRLoading.h"
#include "SymbolIcon.h"
#include "TextPane.h"
#include "TextTabView.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace lumeno {

namespace {
// About the size of a large title.
constexpr int kCloseIconSide = 28;
} // namespace

ResultView::ResultView(ContentView *contentView, QWidget *parent)
    : QWidget(parent), m_contentView(contentView), m_escapeMonitor(new EscapeMonitor(this)),
      m_imageTabView(new ImageTabView(contentView->image(), this)),
      m_textTabView(new TextTabView(this)), m_closeButton(new QToolButton(this))
{
    contentView->setParent(this);
    setFixedWidth(kWidth);

    auto *divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);

    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
    root->setSpacing(kSpacing);
    root->addWidget(m_imageTabView);
    root->addWidget(divider);
    root->addWidget(m_textTabView);
    root->addWidget(makeToolbar(), 0, Qt::AlignHCenter);

    // Floats over the image pane's corner, inside the padding.
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setAutoRaise(true);
    m_closeButton->setStyleSheet(QStringLiteral("QToolButton { border: none; background: none; }"));
    m_closeButton->setIconSize(QSize(kCloseIconSide, kCloseIconSide));
    m_closeButton->setIcon(SymbolIcon::pixmap(
        QStringLiteral("window-close"), QStringLiteral(":/lumeno/symbols/xmark.circle.fill.svg"),
        kCloseIconSide, Qt::white, devicePixelRatioF()));
    m_closeButton->setToolTip(tr("Close"));
    m_closeButton->setFixedSize(kCloseIconSide, kCloseIconSide);
    m_closeButton->move(kPadding, kPadding);
    m_closeButton->raise();
    connect(m_closeButton, &QToolButton::clicked, contentView, &ContentView::closeResultView);

    bindTextPanes();
    updateOcrButtonWidth();
    updateTranslateTitle();
    m_loading->setVisible(contentView->showLoading());

    LumenoObject *lumenoObject = contentView->lumenoObject();
    connect(lumenoObject, &LumenoObject::ocrModeTypeChanged, this,
            &ResultView::updateOcrButtonWidth);
    connect(lumenoObject, &LumenoObject::translateTargetCodeChanged, this,
            &ResultView::updateTranslateTitle);
    connect(contentView, &ContentView::showLoadingChanged, this,
            [this] { m_loading->setVisible(m_contentView->showLoading()); });
    connect(contentView, &ContentView::isShowAlertChanged, this, &ResultView::updateAlert);
    connect(contentView, &ContentView::alertMessageChanged, this, [this] {
        if (!m_alert)
            return;
        m_alert->setText(m_contentView->alertMessage());
        if (m_alert->isVisible())
            placeAlert();
        else
            presentAlert();
    });
    updateAlert();
}

QWidget *ResultView::makeToolbar()
{
    auto *toolbar = new QWidget(this);
    auto *row = new QHBoxLayout(toolbar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kSpacing);

    m_ocrButton = new QPushButton(tr("OCR"), toolbar);
    m_ocrButton->setObjectName(QStringLiteral("ocrButton"));
    connect(m_ocrButton, &QPushButton::clicked, m_contentView, &ContentView::startOCR);

    m_loading = new OCRLoading(toolbar);

    m_translateButton = new QPushButton(toolbar);
    m_translateButton->setObjectName(QStringLiteral("translateButton"));
    m_translateButton->setFixedWidth(kTranslateButtonWidth);
    connect(m_translateButton, &QPushButton::clicked, m_contentView,
            &ContentView::requestTranslation);

    m_targetMenuButton = new QToolButton(toolbar);
    m_targetMenuButton->setObjectName(QStringLiteral("targetMenuButton"));
    m_targetMenuButton->setFixedSize(kTargetMenuSide, kTargetMenuSide);
    m_targetMenuButton->setAutoRaise(true);
    m_targetMenuButton->setPopupMode(QToolButton::InstantPopup);
    m_targetMenuButton->setStyleSheet(QStringLiteral(
        "QToolButton { border: none; } QToolButton::menu-indicator { image: none; }"));
    m_targetMenuButton->setIconSize(QSize(kTargetMenuSide - 8, kTargetMenuSide - 8));
    m_targetMenuButton->setIcon(SymbolIcon::pixmap(
        QStringLiteral("pan-down"), QStringLiteral(":/lumeno/result/chevron.down.square.fill.svg"),
        kTargetMenuSide - 8, palette().color(QPalette::ButtonText), devicePixelRatioF()));
    auto *menu = new QMenu(m_targetMenuButton);
    const QStringList names = m_contentView->languageArray();
    for (int i = 0; i < names.size(); ++i)
        menu->addAction(names.at(i), m_contentView,
                        [this, i] { m_contentView->selectTranslationTarget(i); });
    m_targetMenuButton->setMenu(menu);

    row->addWidget(m_ocrButton);
    row->addWidget(m_loading);
    row->addWidget(m_translateButton);
    row->addWidget(m_targetMenuButton);
    return toolbar;
}

void ResultView::bindTextPanes()
{
    TextPane *ocrPane = m_textTabView->ocrPane();
    TextPane *translationPane = m_textTabView->translationPane();
    ocrPane->setText(m_contentView->ocrString());
    translationPane->setText(m_contentView->translateString());
    connect(ocrPane, &TextPane::textEdited, m_contentView, &ContentView::setOcrString);
    connect(translationPane, &TextPane::textEdited, m_contentView,
            &ContentView::setTranslateString);
    connect(m_contentView, &ContentView::ocrStringChanged, ocrPane,
            [this, ocrPane] { ocrPane->setText(m_contentView->ocrString()); });
    connect(
        m_contentView, &ContentView::translateStringChanged, translationPane,
        [this, translationPane] { translationPane->setText(m_contentView->translateString()); });
}

void ResultView::updateOcrButtonWidth()
{
    const bool google = m_contentView->lumenoObject()->ocrModeType() == OcrModeType::google;
    m_ocrButton->setFixedWidth(google ? kOcrButtonWidthGoogle : kOcrButtonWidthBaidu);
}

void ResultView::updateTranslateTitle()
{
    m_translateButton->setText(QStringLiteral("Translate(to ") +
                               m_contentView->lumenoObject()->translateTargetCode() +
                               QStringLiteral(")"));
}

void ResultView::updateAlert()
{
    if (!m_contentView->isShowAlert()) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (m_alert)
        return;
    QMessageBox *alert = makeAlert(m_contentView->alertMessage(), this);
    connect(alert, &QMessageBox::finished, m_contentView,
            [this] { m_contentView->setIsShowAlert(false); });
    m_alert = alert;
    alert->installEventFilter(this);
    // The flag comes before its message, so the box waits for its text: a box placed while
    // empty grows past the screen's edge once the text arrives. A flag that never gets a new
    // message still shows its box, once the writes of this turn are done.
    if (!m_contentView->alertMessage().isEmpty())
        presentAlert();
    else
        QMetaObject::invokeMethod(this, &ResultView::presentAlert, Qt::QueuedConnection);
}

void ResultView::presentAlert()
{
    if (!m_alert || m_alert->isVisible())
        return;
    m_alert->open();
    placeAlert();
}

void ResultView::placeAlert()
{
    // Centred over the popover but kept inside its screen's available area, for the popover
    // often hangs at a screen edge. A message box takes its final size only once shown.
    QRect frame(QPoint(), m_alert->frameGeometry().size());
    frame.moveCenter(window()->geometry().center());
    if (const QScreen *screen = window()->screen()) {
        const QRect available = screen->availableGeometry();
        frame.moveLeft(
            qBound(available.left(), frame.left(), available.right() + 1 - frame.width()));
        frame.moveTop(
            qBound(available.top(), frame.top(), available.bottom() + 1 - frame.height()));
    }
    m_alert->move(frame.topLeft());
    m_placedFrameSize = frame.size();
}

bool ResultView::eventFilter(QObject *watched, QEvent *event)
{
    // The window manager adds its decorations only after the box is shown: place it again once
    // its frame has grown by them, or a box at the screen's edge still sticks out. Only the alert
    // is watched, and the event type is asked first: the box also passes its own destruction
    // here, when it is no message box any more.
    if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && m_alert &&
        m_alert->frameGeometry().size() != m_placedFrameSize)
        placeAlert();
    return QWidget::eventFilter(watched, event);
}

void ResultView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_escapeMonitor->install();
}

void ResultView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_escapeMonitor->remove();
}

} // namespace lumeno
