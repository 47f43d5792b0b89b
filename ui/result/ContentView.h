#pragma once

#include "Endpoints.h"
#include "RecognitionClient.h"
#include "RequestProvider.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace lumeno {

class LumenoObject;
struct TranslationOutcome;

// What a result view sends its requests with, given once when it is made. The defaults are the
// program's own; tests put fakes or shorter time-outs here.
struct ContentViewServices
{
    // Makes the road of one run, for the engine the shared state names at the time.
    using RecognitionRoad = std::function<std::shared_ptr<RecognitionClient>(
        const LumenoObject &, Endpoints, RequestProvider::Options)>;

    RecognitionRoad recognitionRoad = [](const LumenoObject &state, Endpoints endpoints,
                                         RequestProvider::Options options) {
        return makeRecognitionClient(state, std::move(endpoints), options);
    };
    // Asked anew for every request, so that an edit of the endpoints file takes effect at the
    // next one.
    std::function<Endpoints()> endpoints = [] { return Endpoints::load(); };
    // Time-out and size limit of every request the view sends.
    RequestProvider::Options requestOptions;
};

// State and actions of the result popover for one capture: the captured image, the recognised
// text and its translation, the loading flag and the alert. The popover's widgets bind to these
// properties; the recognition and translation outcomes write them, in the order the result view
// has always shown them, always on the main thread. Sending and reading belong to services/.
class ContentView : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QImage image READ image CONSTANT)
    Q_PROPERTY(QImage nsImage READ nsImage CONSTANT)
    Q_PROPERTY(int selectedTab READ selectedTab WRITE setSelectedTab NOTIFY selectedTabChanged)
    Q_PROPERTY(QString ocrString READ ocrString WRITE setOcrString NOTIFY ocrStringChanged)
    Q_PROPERTY(QString translateString READ translateString WRITE setTranslateString NOTIFY
                   translateStringChanged)
    Q_PROPERTY(QString buttonTitle READ buttonTitle WRITE setButtonTitle NOTIFY buttonTitleChanged)
    Q_PROPERTY(bool showLoading READ showLoading WRITE setShowLoading NOTIFY showLoadingChanged)
    Q_PROPERTY(bool isShowAlert READ isShowAlert WRITE setIsShowAlert NOTIFY isShowAlertChanged)
    Q_PROPERTY(
        QString alertMessage READ alertMessage WRITE setAlertMessage NOTIFY alertMessageChanged)
    Q_PROPERTY(QStringList languageArray READ languageArray CONSTANT)
    Q_PROPERTY(QStringList translateCodeArray READ translateCodeArray CONSTANT)
    Q_PROPERTY(QStringList languageCodeArray READ languageCodeArray CONSTANT)

public:
    // The view of one capture; lumenoObject is the program's shared state and must outlive it.
    ContentView(LumenoObject *lumenoObject, const QImage &capture,
                ContentViewServices services = {}, QObject *parent = nullptr);

    LumenoObject *lumenoObject() const { return m_lumenoObject; }
    QImage image() const { return m_image; }
    QImage nsImage() const { return m_nsImage; }
    int selectedTab() const { return m_selectedTab; }
    QString ocrString() const { return m_ocrString; }
    QString translateString() const { return m_translateString; }
    QString buttonTitle() const { return m_buttonTitle; }
    bool showLoading() const { return m_showLoading; }
    bool isShowAlert() const { return m_isShowAlert; }
    QString alertMessage() const { return m_alertMessage; }
    QStringList languageArray() const { return m_languageArray; }
    QStringList translateCodeArray() const { return m_translateCodeArray; }
    QStringList languageCodeArray() const { return m_languageCodeArray; }

    void setSelectedTab(int value);
    void setOcrString(const QString &value);
    void setTranslateString(const QString &value);
    void setButtonTitle(const QString &value);
    void setShowLoading(bool value);
    void setIsShowAlert(bool value);
    void setAlertMessage(const QString &value);

    // The "OCR" button: shows the loading flag and runs the engine of the shared state's mode.
    void startOCR();
    // A row of the translation-target menu; an index outside the tables changes nothing.
    void selectTranslationTarget(int index);
    // The close button: asks the shell to close the popover.
    void closeResultView();
    // The translate button: translates ocrString into the shared state's target language.
    void requestTranslation();

    // Sends the image down the road and writes its outcome; a view that is gone by then writes
    // nothing (the road still prints its lines).
    void startRecognition(const std::shared_ptr<RecognitionClient> &client);
    // The common failure: loading off, then the alert.
    void showServerUnreachableAlert();

signals:
    void selectedTabChanged();
    void ocrStringChanged();
    void translateStringChanged();
    void buttonTitleChanged();
    void showLoadingChanged();
    void isShowAlertChanged();
    void alertMessageChanged();

private:
    void applyRecognition(const RecognitionOutcome &outcome);
    void applyTranslation(const TranslationOutcome &outcome);

    LumenoObject *m_lumenoObject;
    QImage m_image;
    QImage m_nsImage;
    int m_selectedTab = 0;
    QString m_ocrString;
    QString m_translateString;
    QString m_buttonTitle = QStringLiteral("Copy");
    bool m_showLoading = false;
    bool m_isShowAlert = false;
    QString m_alertMessage;
    QStringList m_languageArray;
    QStringList m_translateCodeArray;
    QStringList m_languageCodeArray;
    ContentViewServices m_services;
};

} // namespace lumeno
