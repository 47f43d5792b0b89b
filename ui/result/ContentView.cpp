#include "ContentView.h"

#include "LanguageTables.h"
#include "LumenoObject.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "PropertySetter.h"
#include "Translation.h"
#include "VisionRecognitionClient.h"

#include <QPointer>

namespace lumeno {

ContentView::ContentView(LumenoObject *lumenoObject, const QImage &capture,
                         ContentViewServices services, QObject *parent)
    : QObject(parent), m_lumenoObject(lumenoObject), m_image(capture), m_nsImage(capture),
      m_languageArray(LanguageTables::languageArray()),
      m_translateCodeArray(LanguageTables::translateTargetArray()),
      m_languageCodeArray(LanguageTables::languageCodeArray()), m_services(std::move(services))
{
}

void ContentView::setSelectedTab(int value)
{
    assignProperty(this, m_selectedTab, value, &ContentView::selectedTabChanged);
}

void ContentView::setOcrString(const QString &value)
{
    assignProperty(this, m_ocrString, value, &ContentView::ocrStringChanged);
}

void ContentView::setTranslateString(const QString &value)
{
    assignProperty(this, m_translateString, value, &ContentView::translateStringChanged);
}

void ContentView::setButtonTitle(const QString &value)
{
    assignProperty(this, m_buttonTitle, value, &ContentView::buttonTitleChanged);
}

void ContentView::setShowLoading(bool value)
{
    assignProperty(this, m_showLoading, value, &ContentView::showLoadingChanged);
}

void ContentView::setIsShowAlert(bool value)
{
    assignProperty(this, m_isShowAlert, value, &ContentView::isShowAlertChanged);
}

void ContentView::setAlertMessage(const QString &value)
{
    assignProperty(this, m_alertMessage, value, &ContentView::alertMessageChanged);
}

void ContentView::startOCR()
{
    if (m_nsImage.isNull() || m_image.isNull())
        return;
    setShowLoading(true);
    startRecognition(m_services.recognitionRoad(*m_lumenoObject, m_services.endpoints(),
                                                m_services.requestOptions));
}

void ContentView::selectTranslationTarget(int index)
{
    if (index < 0 || index >= m_languageArray.size() || index >= m_translateCodeArray.size())
        return;
    m_lumenoObject->setSelectedTranslateName(m_languageArray.at(index));
    m_lumenoObject->setTranslateTargetCode(m_translateCodeArray.at(index));
}

void ContentView::closeResultView()
{
    NotificationCenter::defaultCenter().post(QLatin1String(NotificationNames::OCRViewClosed));
}

void ContentView::startRecognition(const std::shared_ptr<RecognitionClient> &client)
{
    client->recognize(m_nsImage,
                      [view = QPointer<ContentView>(this)](const RecognitionOutcome &outcome) {
                          if (view)
                              view->applyRecognition(outcome);
                      });
}

void ContentView::applyRecognition(const RecognitionOutcome &outcome)
{
    switch (outcome.kind) {
    case RecognitionOutcome::Kind::recognised:
        setOcrString(outcome.text);
        setSelectedTab(1);
        break;
    case RecognitionOutcome::Kind::alert:
        setIsShowAlert(true);
        setAlertMessage(outcome.text);
        break;
    case RecognitionOutcome::Kind::serverUnreachable:
        showServerUnreachableAlert();
        break;
    case RecognitionOutcome::Kind::missingApiKey:
        setShowLoading(false);
        setIsShowAlert(true);
        setAlertMessage(kMissingGoogleApiKeyMessage);
        break;
    }
    setShowLoading(false);
}

void ContentView::showServerUnreachableAlert()
{
    setShowLoading(false);
    setIsShowAlert(true);
    setAlertMessage(kServerUnreachableMessage);
}

void ContentView::requestTranslation()
{
    const QString text = m_ocrString;
    // A lone surrogate has no UTF-8 form, so the text could not go into the request as it is.
    if (!text.isValidUtf16())
        return;
    sendTranslation(text, m_lumenoObject->translateTargetCode(), m_services.endpoints(),
                    m_services.requestOptions,
                    [view = QPointer<ContentView>(this)](const TranslationOutcome &outcome) {
                        if (view)
                            view->applyTranslation(outcome);
                    });
}

void ContentView::applyTranslation(const TranslationOutcome &outcome)
{
    if (outcome.failed) {
        setIsShowAlert(true);
        setAlertMessage(kTranslationFailedMessage);
        return;
    }
    if (outcome.translation)
        setTranslateString(*outcome.translation);
}

} // namespace lumeno
