#include "ContentView.h"
#include "Endpoints.h"
#include "FakeHttpServer.h"
#include "ImageEncoding.h"
#include "LanguageTables.h"
#include "LumenoObject.h"
#include "Md5.h"
#include "NotificationCenter.h"
#include "NotificationNames.h"
#include "OutputCapture.h"
#include "RecognitionOutcome.h"
#include "Translation.h"
#include "UserDefaults.h"
#include "VisionRecognitionClient.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrlQuery>
#include <atomic>
#include <future>
#include <gtest/gtest.h>

using namespace lumeno;
using namespace std::chrono_literals;

namespace {

const QString kCommon = kServerUnreachableMessage;

// Every change of the view model, in the order the signals came: "name=value".
class ChangeLog
{
public:
    explicit ChangeLog(ContentView &view) : m_view(view)
    {
        QObject::connect(&view, &ContentView::showLoadingChanged, [this] {
            m_entries << QStringLiteral("showLoading=%1").arg(m_view.showLoading());
        });
        QObject::connect(&view, &ContentView::isShowAlertChanged, [this] {
            m_entries << QStringLiteral("isShowAlert=%1").arg(m_view.isShowAlert());
        });
        QObject::connect(&view, &ContentView::alertMessageChanged,
                         [this] { m_entries << QStringLiteral("alertMessage"); });
        QObject::connect(&view, &ContentView::ocrStringChanged,
                         [this] { m_entries << QStringLiteral("ocrString"); });
        QObject::connect(&view, &ContentView::selectedTabChanged, [this] {
            m_entries << QStringLiteral("selectedTab=%1").arg(m_view.selectedTab());
        });
        QObject::connect(&view, &ContentView::translateStringChanged,
                         [this] { m_entries << QStringLiteral("translateString"); });
    }
    const QStringList &entries() const { return m_entries; }

private:
    ContentView &m_view;
    QStringList m_entries;
};

const QStringList kRecognisedOrder{"showLoading=1", "ocrString", "selectedTab=1", "showLoading=0"};
const QStringList kAlertOrder{"showLoading=1", "isShowAlert=1", "alertMessage", "showLoading=0"};
const QStringList kUnreachableOrder{"showLoading=1", "showLoading=0", "isShowAlert=1",
                                    "alertMessage"};

enum class Answer
{
    canned,  // the server answers with status and body
    silence, // the server never answers: the view's time-out
    refused, // nothing listens on the port
};

struct ReplyCase
{
    const char *name;
    Answer answer;
    int status;
    QByteArray body;
    // Expected final state: the recognised text (empty: unchanged) or the alert message.
    QString text;
    QString alert;
    QStringList order;
};

std::ostream &operator<<(std::ostream &out, const ReplyCase &c)
{
    return out << c.name;
}

QImage captureImage()
{
    QImage image(40, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    return image;
}

// A view on a fresh shared state whose services all live on one loopback fake server.
class ViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(m_server.start().ok);
        qputenv("LUMENO_CONFIG_DIR", m_dir.path().toUtf8());
        for (const char *name :
             {"LUMENO_OCR_SERVER_URL", "LUMENO_VISION_URL", "LUMENO_TRANSLATE_URL"})
            qputenv(name, m_server.baseUrl().toString().toUtf8());
        m_lumeno = std::make_unique<LumenoObject>(UserDefaults(m_dir.path() + "/defaults.json"));
        remakeView(shortTimeOut());
    }

    // The program's own services, with a time-out that a test can wait for.
    static ContentViewServices shortTimeOut()
    {
        ContentViewServices services;
        services.requestOptions.transferTimeout = 400ms;
        return services;
    }

    // Every run of the view gets this road; it ignores the view's endpoints and options.
    static ContentViewServices alwaysRoad(std::shared_ptr<RecognitionClient> client)
    {
        ContentViewServices services = shortTimeOut();
        services.recognitionRoad = [client](const LumenoObject &, Endpoints,
                                            RequestProvider::Options) { return client; };
        return services;
    }

    // A fresh view of the capture, with its change log, in place of the one before.
    void remakeView(ContentViewServices services)
    {
        m_log.reset();
        m_view = std::make_unique<ContentView>(m_lumeno.get(), captureImage(), std::move(services));
        m_log = std::make_unique<ChangeLog>(*m_view);
    }

    void TearDown() override
    {
        for (const char *name : {"LUMENO_CONFIG_DIR", "LUMENO_OCR_SERVER_URL", "LUMENO_VISION_URL",
                                 "LUMENO_TRANSLATE_URL"})
            qunsetenv(name);
    }

    void writeEndpoints(const QByteArray &json)
    {
        QFile file(m_dir.path() + "/endpoints.json");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
    }

    void answerWith(const ReplyCase &c)
    {
        if (c.answer == Answer::refused) {
            const QByteArray closed = m_server.baseUrl().toString().toUtf8();
            m_server.stop();
            for (const char *name : {"LUMENO_OCR_SERVER_URL", "LUMENO_VISION_URL"})
                qputenv(name, closed);
        }
        m_server.setSilent(c.answer == Answer::silence);
        m_server.setReply(c.status, c.body);
    }

    // Runs "OCR" and waits for the loading flag to go off again.
    void runOcr()
    {
        m_view->startOCR();
        EXPECT_TRUE(m_view->showLoading());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !m_view->showLoading(); }, 20000));
    }

    void expectFinalState(const ReplyCase &c)
    {
        EXPECT_EQ(m_log->entries(), c.order);
        EXPECT_FALSE(m_view->showLoading());
        EXPECT_EQ(m_view->ocrString(), c.text);
        EXPECT_EQ(m_view->selectedTab(), c.text.isEmpty() ? 0 : 1);
        EXPECT_EQ(m_view->isShowAlert(), !c.alert.isEmpty());
        EXPECT_EQ(m_view->alertMessage(), c.alert);
    }

    QTemporaryDir m_dir;
    test::FakeHttpServer m_server;
    std::unique_ptr<LumenoObject> m_lumeno;
    std::unique_ptr<ContentView> m_view;
    std::unique_ptr<ChangeLog> m_log;
};

// Failures every recognition road shares.
std::vector<ReplyCase> transportCases()
{
    return {
        {"refused", Answer::refused, 0, {}, {}, kCommon, kUnreachableOrder},
        {"timeout", Answer::silence, 0, {}, {}, kCommon, kUnreachableOrder},
        {"emptyBody", Answer::canned, 200, "", {}, kCommon, kUnreachableOrder},
        {"notJson", Answer::canned, 200, "<html>busy</html>", {}, kCommon, kUnreachableOrder},
        {"status404Json", Answer::canned, 404, R"({"status":404})", {}, kCommon, kUnreachableOrder},
        {"status500Json",
         Answer::canned,
         500,
         R"({"data":{"text":"x"}})",
         {},
         kCommon,
         kUnreachableOrder},
        {"jsonArray", Answer::canned, 200, "[1,2]", {}, kCommon, kUnreachableOrder},
    };
}

// What the two routes of the maker's server answer alike.
std::vector<ReplyCase> makerServerCases()
{
    std::vector<ReplyCase> cases = transportCases();
    const std::vector<ReplyCase> more{
        {"text",
         Answer::canned,
         200,
         R"({"status":200,"message":"","data":{"text":"Hello\nworld"}})",
         "Hello\nworld",
         {},
         kRecognisedOrder},
        {"refusalWithMessage",
         Answer::canned,
         200,
         R"({"status":429,"message":"Too busy"})",
         {},
         "Too busy",
         kAlertOrder},
        {"refusalWithoutMessage",
         Answer::canned,
         200,
         R"({"status":429,"data":{"text":"x"}})",
         {},
         kCommon,
         kAlertOrder},
        {"refusalWithNumberMessage",
         Answer::canned,
         200,
         R"({"status":429,"message":7})",
         {},
         kCommon,
         kAlertOrder},
        {"statusAsText429",
         Answer::canned,
         200,
         R"({"status":"429","data":{"text":"t429"}})",
         "t429",
         {},
         kRecognisedOrder},
        {"status999AsNumber",
         Answer::canned,
         200,
         R"({"status":999,"message":"m","data":{"text":"t999"}})",
         "t999",
         {},
         kRecognisedOrder},
        {"missingText",
         Answer::canned,
         200,
         R"({"status":200,"data":{}})",
         {},
         kCommon,
         kUnreachableOrder},
        {"textNotAString",
         Answer::canned,
         200,
         R"({"status":200,"data":{"text":5}})",
         {},
         kCommon,
         kUnreachableOrder},
    };
    cases.insert(cases.end(), more.begin(), more.end());
    return cases;
}

class BaiduReplies : public ViewTest, public ::testing::WithParamInterface<ReplyCase>
{
};

TEST_P(BaiduReplies, EndInTheirStateWithTheLoadingFlagOff)
{
    m_lumeno->setSelectedLanCode("DEU");
    answerWith(GetParam());
    runOcr();
    expectFinalState(GetParam());
    if (GetParam().answer != Answer::refused) {
        ASSERT_TRUE(m_server.waitForRequests(1, 20000ms));
        const HttpRequest request = m_server.requests().front();
        EXPECT_EQ(request.path, "/api/ocr/GetBaiduOcrTextNew");
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        EXPECT_EQ(body["languageIndex"], "DEU");
        const QImage sent = QImage::fromData(
            QByteArray::fromBase64(body["imageBase64"].toString().toLatin1()), "png");
        EXPECT_EQ(sent.size(), QSize(40, 20));
    }
}

std::vector<ReplyCase> baiduCases()
{
    std::vector<ReplyCase> cases = makerServerCases();
    // Only the Google route knows "999" as a refusal.
    cases.push_back({"status999AsText",
                     Answer::canned,
                     200,
                     R"({"status":"999","message":"m","data":{"text":"t"}})",
                     "t",
                     {},
                     kRecognisedOrder});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, BaiduReplies, ::testing::ValuesIn(baiduCases()),
                         [](const auto &info) { return std::string(info.param.name); });

class GoogleServerReplies : public ViewTest, public ::testing::WithParamInterface<ReplyCase>
{
};

TEST_P(GoogleServerReplies, EndInTheirStateWithTheLoadingFlagOff)
{
    writeEndpoints(R"({"googleRoad": "server"})");
    m_lumeno->setOcrModeType(OcrModeType::google);
    m_lumeno->setSelectedLanCode("DEU");
    answerWith(GetParam());
    runOcr();
    expectFinalState(GetParam());
    if (GetParam().answer != Answer::refused) {
        ASSERT_TRUE(m_server.waitForRequests(1, 20000ms));
        const HttpRequest request = m_server.requests().front();
        EXPECT_EQ(request.path, "/api/ocr/GetOcrText");
        EXPECT_EQ(QJsonDocument::fromJson(request.body).object()["languageIndex"], "");
    }
}

std::vector<ReplyCase> googleServerCases()
{
    std::vector<ReplyCase> cases = makerServerCases();
    cases.push_back({"status999AsText",
                     Answer::canned,
                     200,
                     R"({"status":"999","message":"Quota used up","data":{"text":"t"}})",
                     {},
                     "Quota used up",
                     kAlertOrder});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoogleServerReplies, ::testing::ValuesIn(googleServerCases()),
                         [](const auto &info) { return std::string(info.param.name); });

class VisionReplies : public ViewTest, public ::testing::WithParamInterface<ReplyCase>
{
};

TEST_P(VisionReplies, EndInTheirStateWithTheLoadingFlagOff)
{
    m_lumeno->setOcrModeType(OcrModeType::google);
    m_lumeno->setGoogleAPIKey("AIza key/+");
    answerWith(GetParam());
    runOcr();
    expectFinalState(GetParam());
    if (GetParam().answer != Answer::refused) {
        ASSERT_TRUE(m_server.waitForRequests(1, 20000ms));
        EXPECT_EQ(m_server.requests().front().rawUri, "/v1/images:annotate?key=AIza%20key%2F%2B");
    }
}

std::vector<ReplyCase> visionCases()
{
    std::vector<ReplyCase> cases = transportCases();
    const std::vector<ReplyCase> more{
        {"twoAnnotations",
         Answer::canned,
         200,
         R"({"responses":[{"textAnnotations":[{"description":"Hello"},{"description":"World"}]}]})",
         "HelloWorld",
         {},
         kRecognisedOrder},
        {"emptyAnnotations",
         Answer::canned,
         200,
         R"({"responses":[{"textAnnotations":[]}]})",
         {},
         kNoTextExtractedMessage,
         kAlertOrder},
        {"noAnnotations",
         Answer::canned,
         200,
         R"({"responses":[{}]})",
         {},
         kNoTextExtractedMessage,
         kAlertOrder},
        {"errorObject",
         Answer::canned,
         200,
         R"({"error":{"code":403},"responses":[{"textAnnotations":[{"description":"x"}]}]})",
         {},
         kCommon,
         kUnreachableOrder},
        {"errorInFirstResponse",
         Answer::canned,
         200,
         R"({"responses":[{"error":{"code":3,"message":"Bad image data."}}]})",
         {},
         kCommon,
         kUnreachableOrder},
        {"noResponses", Answer::canned, 200, R"({"responses":[]})", {}, kCommon, kUnreachableOrder},
        {"annotationWithoutDescription",
         Answer::canned,
         200,
         R"({"responses":[{"textAnnotations":[{"description":"a"},{"locale":"en"}]}]})",
         {},
         kCommon,
         kUnreachableOrder},
    };
    cases.insert(cases.end(), more.begin(), more.end());
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, VisionReplies, ::testing::ValuesIn(visionCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ViewTest, WithoutAGoogleKeyNothingIsSent)
{
    m_lumeno->setOcrModeType(OcrModeType::google);
    runOcr();
    EXPECT_EQ(m_log->entries(), kUnreachableOrder);
    EXPECT_TRUE(m_view->isShowAlert());
    EXPECT_EQ(m_view->alertMessage(), kMissingGoogleApiKeyMessage);
    EXPECT_TRUE(m_server.requests().empty());
}

TEST_F(ViewTest, TheRecognisedTextIsPrintedAndANon200ReplyOnlyOnTheGoogleRoads)
{
    m_server.setReply(200, R"({"status":200,"data":{"text":"Bonjour"}})");
    testing::internal::CaptureStdout();
    runOcr();
    m_server.setReply(503, R"({"status":503})");
    runOcr();
    m_lumeno->setOcrModeType(OcrModeType::google);
    m_lumeno->setGoogleAPIKey("k");
    runOcr();
    writeEndpoints(R"({"googleRoad": "server"})");
    runOcr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Bonjour\n{\"status\":503}\n{\"status\":503}\n");
}

TEST_F(ViewTest, AnImageThatCannotBeEncodedEndsInTheAlertWithoutARequest)
{
    // A view without an image ignores "OCR"; the run itself must still stop on one.
    ContentView view(m_lumeno.get(), QImage());
    view.startOCR();
    EXPECT_FALSE(view.showLoading());
    view.setShowLoading(true);
    view.startRecognition(makeRecognitionClient(*m_lumeno, Endpoints::load(), {}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.isShowAlert(); }, 20000));
    EXPECT_FALSE(view.showLoading());
    EXPECT_EQ(view.alertMessage(), kCommon);
    EXPECT_TRUE(m_server.requests().empty());
}

TEST_F(ViewTest, TwoRunsBothWriteAndTheFlagGoesOffAtTheFirstReply)
{
    m_server.setReply(200, R"({"status":200,"data":{"text":"same"}})");
    m_view->startOCR();
    m_view->startOCR();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_view->showLoading(); }, 20000));
    // The second run's request goes out from this thread's events, so wait with them running.
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_server.requests().size() >= 2; }, 20000));
    EXPECT_EQ(m_view->ocrString(), "same");
}

TEST_F(ViewTest, AReplyAfterTheViewIsGoneIsDropped)
{
    m_server.setSilent(true);
    ContentViewServices services;
    services.requestOptions.transferTimeout = 200ms;
    remakeView(std::move(services));
    m_view->startOCR();
    // The encoding hands over on this thread, so wait with its events running.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_server.requests().empty(); }, 20000));
    m_log.reset();
    m_view.reset();
    QTest::qWait(600); // the time-out fires and finds no view
}

TEST_F(ViewTest, FreshViewHoldsItsDeclaredStartState)
{
    EXPECT_EQ(m_view->image().size(), QSize(40, 20));
    EXPECT_EQ(m_view->nsImage().size(), QSize(40, 20));
    EXPECT_EQ(m_view->selectedTab(), 0);
    EXPECT_EQ(m_view->buttonTitle(), "Copy");
    EXPECT_FALSE(m_view->showLoading() || m_view->isShowAlert());
    EXPECT_EQ(m_view->languageArray(), LanguageTables::languageArray());
    EXPECT_EQ(m_view->translateCodeArray(), LanguageTables::translateTargetArray());
    EXPECT_EQ(m_view->languageCodeArray().size(), 27);
}

TEST_F(ViewTest, ATargetRowSetsNameAndCodeOfTheSharedState)
{
    const int index = m_view->translateCodeArray().indexOf("jp");
    ASSERT_GE(index, 0);
    m_view->selectTranslationTarget(index);
    EXPECT_EQ(m_lumeno->translateTargetCode(), "jp");
    EXPECT_EQ(m_lumeno->selectedTranslateName(), m_view->languageArray().at(index));
    for (const int outside : {-1, 26})
        m_view->selectTranslationTarget(outside);
    EXPECT_EQ(m_lumeno->translateTargetCode(), "jp");
}

TEST_F(ViewTest, CloseAsksTheShellOnceWithNoObject)
{
    QObject observer;
    std::vector<Notification> seen;
    NotificationCenter::defaultCenter().addObserver(
        &observer, NotificationNames::OCRViewClosed,
        [&](const Notification &notification) { seen.push_back(notification); });
    m_view->closeResultView();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(seen.front().object.isValid());
}

// The endpoints come from what the view was given, asked anew for each request: none of the
// environment's addresses is used here.
TEST_F(ViewTest, EveryRequestGoesToTheEndpointsTheViewWasGivenAtThatTime)
{
    for (const char *name : {"LUMENO_OCR_SERVER_URL", "LUMENO_VISION_URL", "LUMENO_TRANSLATE_URL"})
        qunsetenv(name);
    int asked = 0;
    ContentViewServices services = shortTimeOut();
    services.endpoints = [&] {
        ++asked;
        Endpoints endpoints;
        endpoints.ocrServer = endpoints.translate = m_server.baseUrl();
        return endpoints;
    };
    remakeView(std::move(services));
    m_server.setReply(200, R"({"status":200,"data":{"text":"given"},"trans_result":[]})");
    testing::internal::CaptureStdout();
    runOcr();
    m_view->requestTranslation();
    // The request goes out from this thread's events, so wait with them running.
    const bool sent = QTest::qWaitFor([&] { return m_server.requests().size() >= 2; }, 20000);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(sent);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(m_view->ocrString(), "given");
    EXPECT_EQ(m_server.requests().at(1).path, "/api/trans/vip/translate");
}

// --- Translation ------------------------------------------------------------------------------

struct TranslationCase
{
    const char *name;
    Answer answer;
    int status;
    QByteArray body;
    std::optional<QString> translation; // nothing: the earlier text stays
    bool alert;
    std::string printed;
};

std::ostream &operator<<(std::ostream &out, const TranslationCase &c)
{
    return out << c.name;
}

class TranslationReplies : public ViewTest, public ::testing::WithParamInterface<TranslationCase>
{
};

TEST_P(TranslationReplies, SetTheTranslationOrTheOneAlertAndNeverTheLoadingFlag)
{
    const TranslationCase &c = GetParam();
    if (c.answer == Answer::refused) {
        const QByteArray closed = m_server.baseUrl().toString().toUtf8();
        m_server.stop();
        qputenv("LUMENO_TRANSLATE_URL", closed);
    }
    m_server.setSilent(c.answer == Answer::silence);
    m_server.setReply(c.status, c.body);
    m_view->setTranslateString("before");
    m_view->setOcrString("Hallo Welt");

    testing::internal::CaptureStdout();
    m_view->requestTranslation();
    if (c.translation || c.alert) {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return m_view->isShowAlert() || m_view->translateString() != "before"; }, 20000));
    } else {
        // A reply that changes nothing has no signal to wait for: give it time to arrive.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !m_server.requests().empty(); }, 20000));
        QTest::qWait(300);
    }
    const std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(m_view->translateString(), c.translation.value_or("before"));
    EXPECT_EQ(m_view->isShowAlert(), c.alert);
    EXPECT_EQ(m_view->alertMessage(), c.alert ? kTranslationFailedMessage : QString());
    EXPECT_FALSE(m_view->showLoading());
    // The parameters line comes first; after it, only the "Translation: " lines.
    const auto firstBreak = printed.find('\n');
    ASSERT_NE(firstBreak, std::string::npos);
    EXPECT_EQ(printed.substr(0, 10), "[\"appid\": ");
    EXPECT_EQ(printed.substr(firstBreak + 1), c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TranslationReplies,
    ::testing::Values(
        TranslationCase{"twoSegments", Answer::canned, 200,
                        R"({"trans_result":[{"src":"Hallo","dst":"Hello"},{"dst":" world"}]})",
                        QString("Hello world"), false,
                        "Translation: Hello\nTranslation: Hello world\n"},
        TranslationCase{"segmentsWithoutDst", Answer::canned, 200,
                        R"({"trans_result":[{"src":"a"},{"src":"b"}]})", QString(""), false, ""},
        TranslationCase{"nonObjectsSkipped", Answer::canned, 200,
                        R"({"trans_result":[7,{"dst":"x"},"y"]})", QString("x"), false,
                        "Translation: x\n"},
        TranslationCase{"emptyResult", Answer::canned, 200, R"({"trans_result":[]})", std::nullopt,
                        false, ""},
        TranslationCase{"errorMessage", Answer::canned, 200,
                        R"({"error_code":"54001","error_msg":"Invalid Sign"})", std::nullopt, true,
                        ""},
        TranslationCase{"errorBesideResult", Answer::canned, 200,
                        R"({"error_msg":"x","trans_result":[{"dst":"no"}]})", std::nullopt, true,
                        ""},
        TranslationCase{"noResultArray", Answer::canned, 200, R"({"from":"de"})", std::nullopt,
                        true, ""},
        TranslationCase{"status500", Answer::canned, 500, R"({"trans_result":[{"dst":"no"}]})",
                        std::nullopt, true, ""},
        TranslationCase{"notJson", Answer::canned, 200, "oops", std::nullopt, true, ""},
        TranslationCase{"emptyBody", Answer::canned, 200, "", std::nullopt, true, ""},
        TranslationCase{"timeout", Answer::silence, 0, {}, std::nullopt, true, ""},
        TranslationCase{"refused", Answer::refused, 0, {}, std::nullopt, true, ""}),
    [](const auto &info) { return std::string(info.param.name); });

// Stands in for the translation service: checks the signature with the account's secret.
HttpResponse translationService(const HttpRequest &request)
{
    const QUrlQuery form(QString::fromUtf8(request.body));
    auto field = [&](const char *key) {
        return form.queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
    };
    const QString expected =
        md5Hex(0, field("appid") + field("q") + field("salt") + kTranslationSecretKey);
    if (field("sign") != expected)
        return {200, R"({"error_code":"54001","error_msg":"Invalid Sign"})"};
    const QJsonObject segment{{"src", field("q")}, {"dst", "[" + field("to") + "] " + field("q")}};
    return {200, QJsonDocument(QJsonObject{{"trans_result", QJsonArray{segment}}}).toJson()};
}

TEST_F(ViewTest, TheServiceAcceptsTheSignatureAndNeverSeesTheSecret)
{
    m_server.setReplyFunction(translationService);
    m_lumeno->setTranslateTargetCode("fra");
    for (const QString &text : {QStringLiteral("a b&c=d+e"), QStringLiteral("中文 ✓"), QString()}) {
        m_view->setOcrString(text);
        testing::internal::CaptureStdout();
        m_view->requestTranslation();
        const bool done =
            QTest::qWaitFor([&] { return m_view->translateString() == "[fra] " + text; }, 20000);
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(done) << text.toStdString();
        EXPECT_FALSE(m_view->isShowAlert()) << text.toStdString();
    }
    ASSERT_TRUE(m_server.waitForRequests(3, 20000ms));
    for (const HttpRequest &request : m_server.requests()) {
        EXPECT_EQ(request.rawUri, "/api/trans/vip/translate?appId=48213079561240853");
        EXPECT_FALSE(request.body.contains(kTranslationSecretKey));
        EXPECT_FALSE(request.rawUri.contains(kTranslationSecretKey));
    }
}

TEST_F(ViewTest, TheServiceRejectsAWrongSignature)
{
    HttpRequest forged;
    forged.body = "appid=48213079561240853&from=auto&q=x&salt=1&sign="
                  "00000000000000000000000000000000&to=en";
    EXPECT_TRUE(translationService(forged).body.contains("error_msg"));
}

} // namespace

// --- Through a recognition road the test answers --------------------------------------------

namespace {

// A road whose answers the test gives, after the real off-thread encoding.
class FakeRecognitionClient : public RecognitionClient
{
public:
    explicit FakeRecognitionClient(Encoder encoder = {})
        : RecognitionClient({}, {}, std::move(encoder))
    {
    }
    // Answers the oldest run still waiting.
    void answer(const RecognitionOutcome &outcome)
    {
        ASSERT_FALSE(m_waiting.empty());
        const Completion done = m_waiting.front();
        m_waiting.erase(m_waiting.begin());
        done(outcome);
    }
    bool waitForRun() const
    {
        return QTest::qWaitFor([this] { return !m_waiting.empty(); }, 20000);
    }
    std::vector<QString> images;

protected:
    void send(const QString &imageBase64, RequestProvider &, Completion done) override
    {
        images.push_back(imageBase64);
        m_waiting.push_back(std::move(done));
    }

private:
    std::vector<Completion> m_waiting;
};

struct OutcomeCase
{
    const char *name;
    RecognitionOutcome outcome;
    QString text;
    QString alert;
    QStringList order;
};

std::ostream &operator<<(std::ostream &out, const OutcomeCase &c)
{
    return out << c.name;
}

class OutcomeOrder : public ViewTest, public ::testing::WithParamInterface<OutcomeCase>
{
};

TEST_P(OutcomeOrder, IsWrittenInTheResultViewsOrder)
{
    const auto client = std::make_shared<FakeRecognitionClient>();
    remakeView(alwaysRoad(client));
    m_view->startOCR();
    ASSERT_TRUE(client->waitForRun());
    client->answer(GetParam().outcome);
    EXPECT_EQ(m_log->entries(), GetParam().order);
    EXPECT_FALSE(m_view->showLoading());
    EXPECT_EQ(m_view->ocrString(), GetParam().text);
    EXPECT_EQ(m_view->alertMessage(), GetParam().alert);
    EXPECT_EQ(m_view->isShowAlert(), !GetParam().alert.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, OutcomeOrder,
    ::testing::Values(
        OutcomeCase{
            "recognised", RecognitionOutcome::recognised("Hello"), "Hello", {}, kRecognisedOrder},
        OutcomeCase{"refused", RecognitionOutcome::alert("Too busy"), {}, "Too busy", kAlertOrder},
        OutcomeCase{
            "unreachable", RecognitionOutcome::unreachable("{}"), {}, kCommon, kUnreachableOrder},
        OutcomeCase{"missingKey",
                    RecognitionOutcome::missingApiKey(),
                    {},
                    kMissingGoogleApiKeyMessage,
                    kUnreachableOrder}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ViewTest, TheImageIsEncodedOffTheMainThread)
{
    std::atomic<bool> offMain = false;
    const auto client = std::make_shared<FakeRecognitionClient>([&](const QImage &image) {
        offMain = QThread::currentThread() != QCoreApplication::instance()->thread();
        return std::optional<QByteArray>(QByteArray::number(image.width()));
    });
    remakeView(alwaysRoad(client));
    m_view->startOCR();
    ASSERT_TRUE(client->waitForRun());
    EXPECT_TRUE(offMain);
    EXPECT_EQ(client->images, std::vector<QString>{"40"});
}

// The view goes while its image is still being encoded: the run goes on, the road prints the
// recognised text, and nothing is written to a view that is gone.
TEST_F(ViewTest, AViewDestroyedDuringTheEncodingWritesNothingAndTheTextIsStillPrinted)
{
    m_server.setReply(200, R"({"status":200,"data":{"text":"late text"}})");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> encoding = false;
    ContentViewServices services = shortTimeOut();
    services.recognitionRoad = [released, &encoding](const LumenoObject &state, Endpoints endpoints,
                                                     RequestProvider::Options options) {
        return makeRecognitionClient(state, std::move(endpoints), options,
                                     [released, &encoding](const QImage &image) {
                                         encoding = true;
                                         released.wait();
                                         return encodePngBase64(image);
                                     });
    };
    remakeView(std::move(services));
    m_view->startOCR();
    ASSERT_TRUE(QTest::qWaitFor([&] { return encoding.load(); }, 20000));
    m_log.reset();
    m_view.reset();
    test::OutputCapture output;
    release.set_value();
    EXPECT_TRUE(QTest::qWaitFor([&] { return output.text() == "late text\n"; }, 20000))
        << output.text().toStdString();
}

// The view goes while its request is out: the reply still prints what it prints.
TEST_F(ViewTest, AViewDestroyedDuringTheRequestWritesNothingAndTheLinesAreStillPrinted)
{
    std::promise<void> answer;
    std::shared_future<void> answered = answer.get_future().share();
    m_server.setReplyFunction([answered](const HttpRequest &request) {
        answered.wait();
        const bool translation = request.rawUri.startsWith("/api/trans");
        return HttpResponse{200,
                            translation ? R"({"trans_result":[{"dst":"Salut"}]})"
                                        : R"({"status":200,"data":{"text":"Hi"}})",
                            "application/json"};
    });
    m_view->setOcrString("Hello");
    test::OutputCapture output;
    m_view->startOCR();
    m_view->requestTranslation();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.requests().size() == 2; }, 20000));
    m_log.reset();
    m_view.reset();
    answer.set_value();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QStringList lines = output.text().split('\n');
            return lines.contains("Hi") && lines.contains("Translation: Salut");
        },
        20000))
        << output.text().toStdString();
}

TEST_F(ViewTest, CloudVisionPrintsNoRecognisedTextAndTheMakersServerDoes)
{
    m_lumeno->setOcrModeType(OcrModeType::google);
    m_lumeno->setGoogleAPIKey("k");
    m_server.setReply(200, R"({"responses":[{"textAnnotations":[{"description":"Vision"}]}]})");
    testing::internal::CaptureStdout();
    runOcr();
    EXPECT_EQ(m_view->ocrString(), "Vision");
    m_lumeno->setOcrModeType(OcrModeType::baidu);
    m_server.setReply(200, R"({"status":200,"data":{"text":"Server"}})");
    runOcr();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Server\n");
}

} // namespace
