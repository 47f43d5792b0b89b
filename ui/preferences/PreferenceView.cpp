#include "PreferenceView.h"

#include "Alert.h"
#include "GeneralView.h"
#include "GoogleApiView.h"
#include "LanguageTables.h"
#include "LanguageView.h"
#include "LocalizedText.h"
#include "LumenoObject.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "Settings.h"
#include "ShortcutsView.h"
#include "TranslateView.h"
#include "UserDefaults.h"

#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

namespace lumeno {

namespace {

// The first failure of steps that all ran, in order.
Result firstFailure(std::initializer_list<Result> steps)
{
    for (const Result &step : steps)
        if (!step)
            return step;
    return Result::success();
}

} // namespace

PreferenceView::PreferenceView(bool savePngState, bool savePdfState, const QString &savePngPath,
                               const QString &savePdfPath, const QString &googleAPIKey,
                               LumenoObject &lumenoObject, bool showAlert,
                               const QString &alertMessage, const PreferenceServices &services,
                               QWidget *parent)
    : QWidget(parent), m_lumenoObject(lumenoObject), m_defaults(services.defaults),
      m_tabView(new QTabWidget(this)), m_okButton(new QPushButton(makeLocalizedText("OK"), this))
{
    setFixedSize(kWidth, kHeight);
    m_tabView->addTab(new GeneralView, makeLocalizedText("General"));
    m_tabView->addTab(
        new ShortcutsView(lumenoObject, false, services.hotKeyService, services.defaults),
        makeLocalizedText("Shortcuts"));
    m_tabView->addTab(new LocalView(savePngState, savePdfState, savePngPath, savePdfPath,
                                    lumenoObject, services.chooseFolder),
                      makeLocalizedText("Local"));
    m_tabView->addTab(new GoogleApiView(lumenoObject, googleAPIKey),
                      makeLocalizedText("GoogleAPI"));
    m_tabView->addTab(new TranslateView(lumenoObject, LanguageTables::languageArray(),
                                        LanguageTables::translateTargetArray()),
                      makeLocalizedText("Translate"));
    // Each name is given its own language's code, not the one at its position in the historic
    // code list, which drifts from Thai on.
    m_tabView->addTab(new LanguageView(true, lumenoObject, LanguageTables::languageArray(),
                                       LanguageTables::ocrCodeForLanguage()),
                      makeLocalizedText("OCR Language"));
    m_tabView->setCurrentIndex(General);

    m_okButton->setFixedWidth(kOkButtonWidth);
    connect(m_okButton, &QPushButton::clicked, this, &PreferenceView::commitSelectedTab);

    auto *stack = new QVBoxLayout(this);
    stack->addWidget(m_tabView);
    stack->addWidget(m_okButton, 0, Qt::AlignHCenter);

    setAlertMessage(alertMessage);
    setShowAlert(showAlert);
}

int PreferenceView::selectedTab() const
{
    return m_tabView->currentIndex();
}

void PreferenceView::setSelectedTab(int tag)
{
    m_tabView->setCurrentIndex(tag);
}

void PreferenceView::commitSelectedTab()
{
    // Every step looks at the page on screen afresh.
    const std::array steps{&PreferenceView::commitLocal, &PreferenceView::commitGoogleApi,
                           &PreferenceView::commitShortcuts, &PreferenceView::commitTranslate,
                           &PreferenceView::commitLanguage};
    Result stored = Result::success();
    for (const auto step : steps)
        if (const Result done = (this->*step)(); !done && stored)
            stored = done;
    if (!stored) {
        // Closing the window now would report the lost settings as saved.
        setAlertMessage(tr("The settings could not be saved: %1").arg(stored.why));
        setShowAlert(true);
        return;
    }
    NotificationCenter::defaultCenter().post(QLatin1String(NotificationNames::PreferenceSetSucceed),
                                             QVariant(QStringLiteral("")));
}

Result PreferenceView::commitLocal()
{
    if (selectedTab() != Local)
        return Result::success();
    const auto *local = static_cast<const LocalView *>(m_tabView->widget(Local));
    m_lumenoObject.setWhetherToSavePNG(local->savePngState());
    m_lumenoObject.setWhetherToSavePDF(local->savePdfState());
    m_lumenoObject.setSavePNGUrl(local->savePngPath());
    m_lumenoObject.setSavePDFUrl(local->savePdfPath());
    return Result::success();
}

Result PreferenceView::commitGoogleApi()
{
    if (selectedTab() != GoogleAPI)
        return Result::success();
    const auto *page = static_cast<const GoogleApiView *>(m_tabView->widget(GoogleAPI));
    m_lumenoObject.setGoogleAPIKey(page->googleKey());
    return store(m_defaults, Settings::GoogleAPIKey, m_lumenoObject.googleAPIKey());
}

Result PreferenceView::commitShortcuts()
{
    if (selectedTab() != Shortcuts || m_lumenoObject.hotKey().isEmpty())
        return Result::success();
    const Result stored = firstFailure(
        {store(m_defaults, Settings::hotKey, m_lumenoObject.hotKey()),
         store(m_defaults, Settings::ModifierFlags, m_lumenoObject.modifierFlags()),
         store(m_defaults, Settings::eventCharacters, m_lumenoObject.eventCharacters()),
         store(m_defaults, Settings::keyCode, m_lumenoObject.keyCode())});
    NotificationCenter::defaultCenter().post(QLatin1String(NotificationNames::HotKeySetSucceed));
    return stored;
}

Result PreferenceView::commitTranslate()
{
    if (selectedTab() != Translate)
        return Result::success();
    return firstFailure(
        {store(m_defaults, Settings::TranslateName, m_lumenoObject.selectedTranslateName()),
         store(m_defaults, Settings::TranslateCode, m_lumenoObject.translateTargetCode())});
}

Result PreferenceView::commitLanguage()
{
    if (selectedTab() != OCRLanguage)
        return Result::success();
    return firstFailure(
        {store(m_defaults, Settings::LanguageName, m_lumenoObject.selectedLanName()),
         store(m_defaults, Settings::LanguageCode, m_lumenoObject.selectedLanCode())});
}

void PreferenceView::setShowAlert(bool show)
{
    m_showAlert = show;
    if (!show) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (m_alert)
        return;
    m_alert = makeAlert(m_alertMessage, this);
    // Dismissing the alert is what sets the flag back.
    connect(m_alert, &QMessageBox::finished, this, [this] { m_showAlert = false; });
    m_alert->open();
}

void PreferenceView::setAlertMessage(const QString &message)
{
    m_alertMessage = message;
    if (m_alert)
        m_alert->setText(message);
}

void PreferenceView::paintEvent(QPaintEvent *)
{
    // A grey veil at 0.2 over the window's own background, across the whole padded area.
    QColor gray(142, 142, 147);
    gray.setAlphaF(0.2);
    QPainter(this).fillRect(rect(), gray);
}

} // namespace lumeno
