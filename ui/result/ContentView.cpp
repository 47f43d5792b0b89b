#include "ContentView.h"

#include "Endpoints.h"
#include "ImageEncoding.h"
#include "LanguageTables.h"
#include "LumenoObject.h"
#include "MakerServerRecognition.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "StandardOutput.h"
#include "Translation.h"
#include "VisionRecognition.h"

#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>

namespace lumeno {

namespace {

template <class T> bool store(T &member, const T &value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}

} // namespace

ContentView::ContentView(LumenoObject *lumenoObject, const QImage &capture, QObject *parent)
    : QObject(parent), m_lumenoObject(lumenoObject), m_image(capture), m_nsImage(capture),
      m_languageArray(LanguageTables::languageArray()),
      m_translateCodeArray(LanguageTables::translateTargetArray()),
      m_languageCodeArray(LanguageTables::languageCodeArray())
{
}

void ContentView::setSelectedTab(int value)
{
    if (store(m_selectedTab, value))
        emit selectedTabChanged();
}

void ContentView::setOcrString(const QString &value)
{
    if (store(m_ocrString, value))
        emit ocrStringChanged();
}

void ContentView::setTranslateString(const QString &value)
{
    if (store(m_translateString, value))
        emit translateStringChanged();
}

void ContentView::setButtonTitle(const QString &value)
{
    if (store(m_buttonTitle, value))
        emit buttonTitleChanged();
}

void ContentView::setShowLoading(bool value)
{
    if (store(m_showLoading, value))
        emit showLoadingChanged();
}

void ContentView::setIsShowAlert(bool value)
{
    if (store(m_isShowAlert, value))
        emit isShowAlertChanged();
}

void ContentView::setAlertMessage(const QString &value)
{
    if (store(m_alertMessage, value))
        emit alertMessageChanged();
}

void ContentView::startOCR()
{
    if (m_nsImage.isNull() || m_image.isNull())
        return;
    setShowLoading(true);
    startRecognition(m_lumenoObject->ocrModeType() == OcrModeType::google
                         ? &ContentView::recognizeWithGoogle
                         : &ContentView::recognizeWithBaidu);
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

void ContentView::startRecognition(Engine engine)
{
    auto provider = RequestProvider::create(Endpoints::load(), m_requestOptions);
    // The continuation runs on this view's thread, and not at all once the view is gone.
    QtConcurrent::run([image = m_nsImage] {
        return encodePngBase64(image);
    }).then(this, [this, engine, provider](const std::optional<QByteArray> &encoded) {
        if (!encoded) {
            showServerUnreachableAlert();
            return;
        }
        (this->*engine)(QString::fromLatin1(*encoded), provider);
    });
}

RequestProvider::Completion
ContentView::replyTo(void (ContentView::*handler)(const RequestResult &))
{
    return [view = QPointer<ContentView>(this), handler](const RequestResult &result) {
        if (view)
            (view->*handler)(result);
    };
}

void ContentView::recognizeWithBaidu(const QString &imageBase64,
                                     std::shared_ptr<RequestProvider> provider)
{
    provider->request(
        makerServerRequest(MakerServerRoute::baidu, imageBase64, m_lumenoObject->selectedLanCode()),
        replyTo(&ContentView::handleBaiduReply));
}

void ContentView::recognizeWithGoogle(const QString &imageBase64,
                                      std::shared_ptr<RequestProvider> provider)
{
    if (provider->endpoints().googleRoad == GoogleRoad::server) {
        provider->request(makerServerRequest(MakerServerRoute::googleOCR, imageBase64, {}),
                          replyTo(&ContentView::handleGoogleOCRReply));
        return;
    }
    const QString apiKey = m_lumenoObject->googleAPIKey();
    if (apiKey.isEmpty()) {
        setShowLoading(false);
        setIsShowAlert(true);
        setAlertMessage(kMissingGoogleApiKeyMessage);
        return;
    }
    provider->request(visionRequest(provider->endpoints(), imageBase64, apiKey),
                      replyTo(&ContentView::handleVisionReply));
}

void ContentView::handleBaiduReply(const RequestResult &result)
{
    applyRecognition(makerServerOutcome(MakerServerRoute::baidu, result));
}

void ContentView::handleGoogleOCRReply(const RequestResult &result)
{
    applyRecognition(makerServerOutcome(MakerServerRoute::googleOCR, result));
}

void ContentView::handleVisionReply(const RequestResult &result)
{
    applyRecognition(visionOutcome(result));
}

void ContentView::applyRecognition(const RecognitionOutcome &outcome)
{
    switch (outcome.kind) {
    case RecognitionOutcome::Kind::recognised:
        printLine(outcome.text);
        setOcrString(outcome.text);
        setSelectedTab(1);
        break;
    case RecognitionOutcome::Kind::alert:
        setIsShowAlert(true);
        setAlertMessage(outcome.text);
        break;
    case RecognitionOutcome::Kind::serverUnreachable:
        if (!outcome.replyToPrint.isEmpty())
            printLine(QString::fromUtf8(outcome.replyToPrint));
        showServerUnreachableAlert();
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
    const QString salt = translationSalt();
    const QString text = m_ocrString;
    // A lone surrogate has no UTF-8 form, so the text could not go into the request as it is.
    if (!text.isValidUtf16())
        return;
    const QVariantMap parameters =
        translationParameters(text, m_lumenoObject->translateTargetCode(), salt);
    printLine(describeParameters(parameters));
    RequestProvider::create(Endpoints::load(), m_requestOptions)
        ->request(RequestConfig::translate(parameters),
                  replyTo(&ContentView::handleTranslationReply));
}

void ContentView::handleTranslationReply(const RequestResult &result)
{
    const TranslationOutcome outcome = translationOutcome(result);
    if (outcome.failed) {
        setIsShowAlert(true);
        setAlertMessage(kTranslationFailedMessage);
        return;
    }
    for (const QString &joined : outcome.progress)
        printLine(QStringLiteral("Translation: ") + joined);
    if (outcome.translation)
        setTranslateString(*outcome.translation);
}

} // namespace lumeno
