#include "BaiduRecognitionClient.h"
#include "Endpoints.h"
#include "FakeHttpServer.h"
#include "GoogleOCRRecognitionClient.h"
#include "ImageEncoding.h"
#include "LumenoObject.h"
#include "Md5.h"
#include "OutputCapture.h"
#include "ParameterEncoding.h"
#include "RequestConfig.h"
#include "RequestProvider.h"
#include "Translation.h"
#include "UserDefaults.h"
#include "VisionRecognitionClient.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <typeinfo>

using namespace lumeno;
using namespace std::chrono_literals;

namespace {

// --- Pure encodings ---------------------------------------------------------------------------

struct FormCase
{
    QVariantMap parameters;
    QByteArray expected;
};

class FormEncoding : public ::testing::TestWithParam<FormCase>
{
};

TEST_P(FormEncoding, KeysAscendAndOnlyTheSafeCharactersStay)
{
    EXPECT_EQ(ParameterEncoding::formEncoded(GetParam().parameters), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormEncoding,
    ::testing::Values(FormCase{{{"q", "a b"}, {"from", "auto"}}, "from=auto&q=a%20b"},
                      FormCase{{{"q", "Az09-._~/?"}}, "q=Az09-._~/?"},
                      FormCase{{{"q", "a+b&c=d%e#f"}}, "q=a%2Bb%26c%3Dd%25e%23f"},
                      FormCase{{{"q", QStringLiteral("é中")}}, "q=%C3%A9%E4%B8%AD"},
                      FormCase{{{"q", "line\nbreak"}, {"a b", ""}}, "a%20b=&q=line%0Abreak"}));

struct Md5Case
{
    const char *text;
    const char *digest;
};

class Md5Vectors : public ::testing::TestWithParam<Md5Case>
{
};

TEST_P(Md5Vectors, MatchTheReferenceDigests)
{
    const QString text = QString::fromUtf8(GetParam().text);
    EXPECT_EQ(md5Hex(0, text), QLatin1String(GetParam().digest));
    EXPECT_EQ(md5Hex(1, text), QString::fromLatin1(GetParam().digest).toUpper());
}

// The RFC 1321 test suite, but for the empty text, which has no digest here.
INSTANTIATE_TEST_SUITE_P(
    Rfc1321, Md5Vectors,
    ::testing::Values(
        Md5Case{"a", "0cc175b9c0f1b6a831c399e269772661"},
        Md5Case{"abc", "900150983cd24fb0d6963f7d28e17f72"},
        Md5Case{"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        Md5Case{"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        Md5Case{"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                "d174ab98d277d9f5a5611c2c9f419d9f"},
        Md5Case{"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
                "0",
                "57edf4a22be3c955ac49da2e2107b67a"}));

TEST(Md5Hex, DigestsTheUtf8BytesAndGivesNothingForTheEmptyText)
{
    EXPECT_EQ(md5Hex(0, QStringLiteral("中")), QLatin1String("aed1dfbc31703955e64806b799b67645"));
    testing::internal::CaptureStdout();
    EXPECT_EQ(md5Hex(0, QString()), QString());
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "⚠️⚠️⚠️md5加密无效的字符串⚠️⚠️⚠️\n");
}

TEST(TranslationSigning, MatchesTheServicesPublishedExample)
{
    EXPECT_EQ(translationSign("2015063000000001", "apple", "1435660288", "12345678"),
              QLatin1String("f89f9594663708c1605f3d736d01d2d4"));
}

TEST(TranslationSigning, ParametersAreSignedAndNeverHoldTheSecret)
{
    const QVariantMap parameters = translationParameters(QString(), "fra", "7");
    EXPECT_EQ(parameters.keys(), (QStringList{"appid", "from", "q", "salt", "sign", "to"}));
    EXPECT_EQ(parameters["appid"], QLatin1String(kTranslationAppId));
    EXPECT_EQ(parameters["from"], QLatin1String("auto"));
    EXPECT_EQ(parameters["to"], QLatin1String("fra"));
    EXPECT_EQ(parameters["q"], QString());
    // The empty text still signs: appid, salt and key alone.
    EXPECT_EQ(parameters["sign"],
              md5Hex(0, QLatin1String(kTranslationAppId) + "7" + kTranslationSecretKey));
    EXPECT_TRUE(
        QRegularExpression("^[0-9a-f]{32}$").match(parameters["sign"].toString()).hasMatch());
    EXPECT_FALSE(ParameterEncoding::formEncoded(parameters).contains(kTranslationSecretKey));
    EXPECT_FALSE(describeParameters(parameters).contains(kTranslationSecretKey));
}

TEST(TranslationSigning, SaltIsOneDigitAndTakesEveryDigit)
{
    QSet<QString> seen;
    for (int i = 0; i < 2000; ++i) {
        const QString salt = translationSalt();
        ASSERT_TRUE(QRegularExpression("^[0-9]$").match(salt).hasMatch()) << salt.toStdString();
        seen.insert(salt);
    }
    EXPECT_EQ(seen.size(), 10);
}

// --- Image encoding ---------------------------------------------------------------------------

QImage decodedUpload(const QImage &source)
{
    const std::optional<QByteArray> encoded = encodePngBase64(source);
    if (!encoded)
        return {};
    EXPECT_FALSE(encoded->contains('\n'));
    const QByteArray png =
        QByteArray::fromBase64(*encoded, QByteArray::AbortOnBase64DecodingErrors);
    EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
    return QImage::fromData(png, "png");
}

TEST(ImageEncoding, EveryPixelSurvivesWithoutAlpha)
{
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied,
                                        QImage::Format_RGB888, QImage::Format_Grayscale8}) {
        QImage source(37, 11, QImage::Format_ARGB32);
        for (int y = 0; y < source.height(); ++y)
            for (int x = 0; x < source.width(); ++x)
                source.setPixel(x, y, qRgba(x * 7, y * 23, (x * y) & 0xff, 255));
        source = source.convertToFormat(format);
        const QImage decoded = decodedUpload(source);
        ASSERT_FALSE(decoded.isNull()) << format;
        EXPECT_FALSE(decoded.hasAlphaChannel()) << format;
        EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32),
                  source.convertToFormat(QImage::Format_RGB32))
            << format;
    }
}

TEST(ImageEncoding, ANullImageHasNoEncoding)
{
    EXPECT_FALSE(encodePngBase64(QImage()).has_value());
}

// --- Endpoints --------------------------------------------------------------------------------

class EndpointsTest : public ::testing::Test
{
protected:
    QString file(const QByteArray &content)
    {
        const QString path = m_dir.path() + "/endpoints.json";
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(content);
        return path;
    }

    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
};

TEST_F(EndpointsTest, DefaultsWithoutFileOrEnvironment)
{
    const Endpoints endpoints = Endpoints::load(m_dir.path() + "/none.json", m_environment);
    EXPECT_EQ(endpoints.ocrServer, QUrl("http://127.0.0.1:18765"));
    EXPECT_EQ(endpoints.vision, QUrl("https://vision.googleapis.com"));
    EXPECT_EQ(endpoints.translate, QUrl("https://fanyi-api.baidu.com"));
    EXPECT_EQ(endpoints.googleRoad, GoogleRoad::vision);
}

TEST_F(EndpointsTest, EnvironmentWinsOverTheFileAndBadEntriesKeepTheDefault)
{
    const QString path = file(R"({"ocrServerURL": "http://10.0.0.5:1", "visionURL": "ftp://x",
                                  "translateURL": "http://t.example/base", "googleRoad": "server"})");
    m_environment.insert("LUMENO_OCR_SERVER_URL", "http://127.0.0.1:4242");
    m_environment.insert("LUMENO_TRANSLATE_URL", "not a url?x=1");
    testing::internal::CaptureStdout();
    const Endpoints endpoints = Endpoints::load(path, m_environment);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(endpoints.ocrServer, QUrl("http://127.0.0.1:4242"));
    EXPECT_EQ(endpoints.vision, QUrl("https://vision.googleapis.com"));
    EXPECT_EQ(endpoints.translate, QUrl("http://t.example/base"));
    EXPECT_EQ(endpoints.googleRoad, GoogleRoad::server);
    // The rejected values are named by their origin, never shown.
    EXPECT_EQ(printed.find("ftp://"), std::string::npos);
    EXPECT_EQ(printed.find("not a url"), std::string::npos);
    EXPECT_NE(printed.find("LUMENO_TRANSLATE_URL"), std::string::npos);
}

TEST_F(EndpointsTest, ADamagedFileKeepsTheDefaults)
{
    testing::internal::CaptureStdout();
    const Endpoints endpoints = Endpoints::load(file("{not json"), m_environment);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(endpoints.ocrServer, QUrl("http://127.0.0.1:18765"));
}

// The alerts the user reads, written out here so that a slip in the program's constants shows.
struct AlertTextCase
{
    const char *name;
    QString constant;
    const char *literalUtf8;
    int utf8Bytes;
};

class AlertTexts : public ::testing::TestWithParam<AlertTextCase>
{
};

TEST_P(AlertTexts, AreWordForWordTheFixedMessages)
{
    EXPECT_EQ(GetParam().constant, QString::fromUtf8(GetParam().literalUtf8));
    EXPECT_EQ(GetParam().constant.toUtf8().size(), GetParam().utf8Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, AlertTexts,
    ::testing::Values(
        AlertTextCase{"serverUnreachable", kServerUnreachableMessage,
                      "No returned value. Remote server is unaccessable. Please contact our "
                      "support team.",
                      82},
        // With the full-width comma and exclamation mark.
        AlertTextCase{"noTextExtracted", kNoTextExtractedMessage,
                      "Sorry\xEF\xBC\x8Cno text extracted\xEF\xBC\x81", 28},
        AlertTextCase{"translationFailed", kTranslationFailedMessage,
                      "Text translation failed, please contact our team", 48}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ServiceAddress, AppendsThePathToAnyPrefixWithoutADoubledSlash)
{
    EXPECT_EQ(serviceAddress(QUrl("http://h:1"), "/api/x"), QUrl("http://h:1/api/x"));
    EXPECT_EQ(serviceAddress(QUrl("http://h:1/pre/"), "/api/x"), QUrl("http://h:1/pre/api/x"));
}

// --- Requests on the wire ---------------------------------------------------------------------

class WireTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.start().ok);
        m_endpoints.ocrServer = m_server.baseUrl();
        m_endpoints.vision = m_server.baseUrl();
        m_endpoints.translate = m_server.baseUrl();
    }

    RequestResult send(const RequestConfig &target, RequestProvider::Options options = {})
    {
        int calls = 0;
        RequestResult result;
        RequestProvider::create(m_endpoints, options)->request(target, [&](const RequestResult &r) {
            ++calls;
            result = r;
        });
        EXPECT_EQ(calls, 0) << "completion ran inside request()";
        EXPECT_TRUE(QTest::qWaitFor([&] { return calls > 0; }, 20000));
        // A second completion would come from the same reply's events.
        QTest::qWait(20);
        EXPECT_EQ(calls, 1);
        return result;
    }

    HttpRequest onlyRequest()
    {
        const auto requests = m_server.requests();
        EXPECT_EQ(requests.size(), 1u);
        return requests.empty() ? HttpRequest{} : requests.front();
    }

    static int headerCount(const HttpRequest &request, const QByteArray &name)
    {
        int count = 0;
        for (const auto &[key, value] : request.headers)
            count += key.compare(name, Qt::CaseInsensitive) == 0;
        return count;
    }

    test::FakeHttpServer m_server;
    Endpoints m_endpoints;
};

TEST_F(WireTest, TranslationIsAFormWithTheAppIdQuery)
{
    send(RequestConfig::translate({{"q", "a b"}, {"from", "auto"}}));
    const HttpRequest request = onlyRequest();
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.rawUri, "/api/trans/vip/translate?appId=48213079561240853");
    EXPECT_EQ(request.body, "from=auto&q=a%20b");
    const QByteArray type = request.header("Content-Type");
    EXPECT_EQ(type, "application/x-www-form-urlencoded;application/json; charset=utf-8");
    EXPECT_EQ(type.size(), 65);
    EXPECT_EQ(headerCount(request, "content-type"), 1);
}

TEST_F(WireTest, MakerServerRecognitionIsCompactJson)
{
    send(RequestConfig::baidu("QUJD+/==", "ENG"));
    const HttpRequest request = onlyRequest();
    EXPECT_EQ(request.rawUri, "/api/ocr/GetBaiduOcrTextNew");
    EXPECT_EQ(request.header("content-type"), "application/json; charset=utf-8");
    EXPECT_EQ(headerCount(request, "content-type"), 1);
    EXPECT_FALSE(request.body.contains('\n'));
    EXPECT_FALSE(request.body.contains(": "));
    EXPECT_EQ(QJsonDocument::fromJson(request.body).object(),
              (QJsonObject{{"imageBase64", "QUJD+/=="}, {"languageIndex", "ENG"}}));
}

TEST_F(WireTest, CloudVisionBodyIsIndentedAndTheKeyIsEscapedInTheQuery)
{
    send(visionRequest(m_endpoints, "QUJD", "k y&x=1#"));
    const HttpRequest request = onlyRequest();
    EXPECT_EQ(request.rawUri, "/v1/images:annotate?key=k%20y%26x%3D1%23");
    EXPECT_EQ(request.header("content-type"), "application/json; charset=utf-8");
    EXPECT_TRUE(request.body.contains("\n    "));
    const QJsonObject expected = QJsonDocument::fromJson(R"({"requests": [{
        "image": {"content": "QUJD"},
        "features": [{"type": "TEXT_DETECTION"}, {"maxResults": 1}]}]})")
                                     .object();
    EXPECT_EQ(QJsonDocument::fromJson(request.body).object(), expected);
}

TEST_F(WireTest, AGivenAddressKeepsItsQueryAndTheBodyGoesAsItIs)
{
    QUrl url = m_server.baseUrl();
    url.setPath("/v1/images:annotate");
    url.setQuery("key=a%2Fb&x=1", QUrl::StrictMode);
    const QByteArray body("raw\0bytes\r\n", 11);
    send(RequestConfig::google(url, body));
    const HttpRequest request = onlyRequest();
    EXPECT_EQ(request.rawUri, "/v1/images:annotate?key=a%2Fb&x=1");
    EXPECT_EQ(request.body, body);
}

struct StatusCase
{
    int status;
    QByteArray body;
};

class AnswerTest : public WireTest, public ::testing::WithParamInterface<StatusCase>
{
};

TEST_P(AnswerTest, EveryStatusIsAResponse)
{
    m_server.setReply(GetParam().status, GetParam().body);
    const RequestResult result = send(RequestConfig::baidu("x", ""));
    ASSERT_TRUE(result.isSuccess());
    EXPECT_EQ(result.response->statusCode, GetParam().status);
    EXPECT_EQ(result.response->data, GetParam().body);
    // Redirects are not followed: a 3xx is a status like any other.
    EXPECT_EQ(m_server.requests().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Statuses, AnswerTest,
                         ::testing::Values(StatusCase{200, R"({"status":200})"},
                                           StatusCase{500, R"({"error":"boom"})"},
                                           StatusCase{404, ""}, StatusCase{302, "moved"},
                                           // Qt reports these two as protocol errors.
                                           StatusCase{400, R"({"error":{"code":400}})"},
                                           StatusCase{418, "teapot"}, StatusCase{503, "busy"}));

TEST_F(WireTest, AReplyCutBeforeTheEndOfItsBodyIsAFailure)
{
    // A status line and three of the ten bytes it announces, then the connection closes.
    QTcpServer cutting;
    ASSERT_TRUE(cutting.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&cutting, &QTcpServer::newConnection, [&] {
        QTcpSocket *socket = cutting.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket] {
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc");
            socket->disconnectFromHost();
        });
    });
    m_endpoints.ocrServer = QUrl(QStringLiteral("http://127.0.0.1:%1").arg(cutting.serverPort()));
    const RequestResult result = send(RequestConfig::baidu("x", ""));
    EXPECT_FALSE(result.isSuccess()) << result.response->data.toStdString();
    EXPECT_EQ(result.failure, "no response");
}

TEST_F(WireTest, ABodyOverTheLimitIsAFailureAndOneAtTheLimitIsNot)
{
    RequestProvider::Options options;
    options.maxReplyBytes = 64 * 1024;
    m_server.setReply(200, QByteArray(64 * 1024, 'a'));
    EXPECT_TRUE(send(RequestConfig::baidu("x", ""), options).isSuccess());
    m_server.setReply(200, QByteArray(64 * 1024 + 1, 'a'));
    const RequestResult tooLarge = send(RequestConfig::baidu("x", ""), options);
    EXPECT_FALSE(tooLarge.isSuccess());
}

TEST_F(WireTest, SilenceEndsInATimeOut)
{
    m_server.setSilent(true);
    RequestProvider::Options options;
    options.transferTimeout = 300ms;
    const RequestResult result = send(RequestConfig::baidu("x", ""), options);
    EXPECT_FALSE(result.isSuccess());
    EXPECT_EQ(result.failure, QLatin1String("timed out"));
}

TEST_F(WireTest, NoServerIsAFailureThatDoesNotNameTheAddress)
{
    const QUrl closed = m_server.baseUrl();
    m_server.stop();
    m_endpoints.ocrServer = closed;
    const RequestResult result = send(RequestConfig::baidu("x", ""));
    EXPECT_FALSE(result.isSuccess());
    EXPECT_FALSE(result.failure.contains("127.0.0.1"));
    EXPECT_FALSE(result.failure.contains(QString::number(closed.port())));
}

// --- Recognition roads ------------------------------------------------------------------------

struct RoadCase
{
    const char *name;
    OcrModeType mode;
    GoogleRoad googleRoad;
    const std::type_info *road;
};

class RoadChoice : public ::testing::TestWithParam<RoadCase>
{
};

TEST_P(RoadChoice, EachEngineAndGoogleRoadHasAClientOfItsOwn)
{
    QTemporaryDir dir;
    LumenoObject state(UserDefaults(dir.path() + "/defaults.json"));
    state.setOcrModeType(GetParam().mode);
    Endpoints endpoints;
    endpoints.googleRoad = GetParam().googleRoad;
    const std::shared_ptr<RecognitionClient> client = makeRecognitionClient(state, endpoints, {});
    ASSERT_TRUE(client);
    const RecognitionClient &road = *client;
    EXPECT_EQ(typeid(road), *GetParam().road);
}

INSTANTIATE_TEST_SUITE_P(
    Engines, RoadChoice,
    ::testing::Values(RoadCase{"baidu", OcrModeType::baidu, GoogleRoad::vision,
                               &typeid(BaiduRecognitionClient)},
                      RoadCase{"baiduWhateverTheGoogleRoad", OcrModeType::baidu, GoogleRoad::server,
                               &typeid(BaiduRecognitionClient)},
                      RoadCase{"googleOnTheServer", OcrModeType::google, GoogleRoad::server,
                               &typeid(GoogleOCRRecognitionClient)},
                      RoadCase{"googleCloudVision", OcrModeType::google, GoogleRoad::vision,
                               &typeid(VisionRecognitionClient)}),
    [](const auto &info) { return std::string(info.param.name); });

// The same replies read by each road: the two roads of the maker's server part only on "999" as
// text and on printing a non-200 reply.
struct ReaderCase
{
    const char *name;
    RecognitionOutcome (*read)(const RequestResult &);
    int status;
    QByteArray body;
    RecognitionOutcome::Kind kind;
    QString text;
    QByteArray printed;
};

class ReplyReaders : public ::testing::TestWithParam<ReaderCase>
{
};

TEST_P(ReplyReaders, GiveTheirRoadsOutcome)
{
    const ReaderCase &c = GetParam();
    const RecognitionOutcome outcome = c.read({Response{c.status, c.body}, {}});
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(outcome.text, c.text);
    EXPECT_EQ(outcome.replyToPrint, c.printed);
}

using Kind = RecognitionOutcome::Kind;
const auto baiduReply = &BaiduRecognitionClient::handleBaiduReply;
const auto googleOcrReply = &GoogleOCRRecognitionClient::handleGoogleOCRReply;
const auto visionReply = &VisionRecognitionClient::handleVisionReply;
const QByteArray kText999 = R"({"status":"999","message":"Quota","data":{"text":"t"}})";
const QByteArray kBusy = R"({"status":503})";

INSTANTIATE_TEST_SUITE_P(
    Roads, ReplyReaders,
    ::testing::Values(
        ReaderCase{"baiduText999", baiduReply, 200, kText999, Kind::recognised, "t", {}},
        ReaderCase{"googleOcrText999", googleOcrReply, 200, kText999, Kind::alert, "Quota", {}},
        ReaderCase{"baidu429",
                   baiduReply,
                   200,
                   R"({"status":429})",
                   Kind::alert,
                   kServerUnreachableMessage,
                   {}},
        ReaderCase{"googleOcr429",
                   googleOcrReply,
                   200,
                   R"({"status":429,"message":"Busy"})",
                   Kind::alert,
                   "Busy",
                   {}},
        ReaderCase{"baiduNon200", baiduReply, 503, kBusy, Kind::serverUnreachable, {}, {}},
        ReaderCase{
            "googleOcrNon200", googleOcrReply, 503, kBusy, Kind::serverUnreachable, {}, kBusy},
        ReaderCase{"visionNon200", visionReply, 503, kBusy, Kind::serverUnreachable, {}, kBusy},
        ReaderCase{
            "visionText",
            visionReply,
            200,
            R"({"responses":[{"textAnnotations":[{"description":"a"},{"description":"b"}]}]})",
            Kind::recognised,
            "ab",
            {}}),
    [](const auto &info) { return std::string(info.param.name); });

// What each road's request step sends and prints for one canned reply.
struct EngineCase
{
    const char *name;
    std::function<void(RequestProvider &, RecognitionClient::Completion)> recognize;
    QByteArray reply;
    QByteArray path;
    QJsonObject body; // empty: the body is not compared
    QString printed;
};

class EngineRequests : public WireTest, public ::testing::WithParamInterface<EngineCase>
{
};

TEST_P(EngineRequests, SendTheirRequestAndPrintTheirLines)
{
    const EngineCase &c = GetParam();
    m_server.setReply(200, c.reply);
    const auto provider = RequestProvider::create(m_endpoints);
    std::optional<RecognitionOutcome> outcome;
    test::OutputCapture output;
    c.recognize(*provider, [&](const RecognitionOutcome &o) { outcome = o; });
    EXPECT_FALSE(outcome) << "answered from within the call";
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 20000));
    EXPECT_EQ(outcome->kind, RecognitionOutcome::Kind::recognised);
    EXPECT_EQ(output.text(), c.printed);
    const HttpRequest request = onlyRequest();
    EXPECT_EQ(request.path, c.path);
    if (!c.body.isEmpty()) {
        EXPECT_EQ(QJsonDocument::fromJson(request.body).object(), c.body);
    }
}

const QByteArray kServerText = R"({"status":200,"data":{"text":"Hi"}})";

INSTANTIATE_TEST_SUITE_P(
    Roads, EngineRequests,
    ::testing::Values(
        EngineCase{"baidu",
                   [](RequestProvider &provider, RecognitionClient::Completion done) {
                       BaiduRecognitionClient::recognizeWithBaidu("QUJD", "FRA", provider, done);
                   },
                   kServerText, "/api/ocr/GetBaiduOcrTextNew",
                   QJsonObject{{"imageBase64", "QUJD"}, {"languageIndex", "FRA"}}, "Hi\n"},
        EngineCase{"googleOcr",
                   [](RequestProvider &provider, RecognitionClient::Completion done) {
                       GoogleOCRRecognitionClient::recognizeWithGoogle("QUJD", provider, done);
                   },
                   kServerText, "/api/ocr/GetOcrText",
                   QJsonObject{{"imageBase64", "QUJD"}, {"languageIndex", ""}}, "Hi\n"},
        EngineCase{"vision",
                   [](RequestProvider &provider, RecognitionClient::Completion done) {
                       VisionRecognitionClient::recognizeWithGoogle("QUJD", "k", provider, done);
                   },
                   R"({"responses":[{"textAnnotations":[{"description":"Hi"}]}]})",
                   "/v1/images:annotate",
                   {},
                   ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(VisionRecognition, WithoutAKeyNothingIsSentAndTheAnswerComesLater)
{
    test::FakeHttpServer server;
    ASSERT_TRUE(server.start().ok);
    Endpoints endpoints;
    endpoints.vision = server.baseUrl();
    const auto provider = RequestProvider::create(endpoints);
    std::optional<RecognitionOutcome> outcome;
    VisionRecognitionClient::recognizeWithGoogle("QUJD", QString(), *provider,
                                                 [&](const RecognitionOutcome &o) { outcome = o; });
    EXPECT_FALSE(outcome);
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcome.has_value(); }, 20000));
    EXPECT_EQ(outcome->kind, RecognitionOutcome::Kind::missingApiKey);
    EXPECT_TRUE(server.requests().empty());
}

} // namespace
