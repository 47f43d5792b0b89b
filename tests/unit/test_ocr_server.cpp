// Black-box tests of the built lumeno-ocr-server: each test starts it on 127.0.0.1, port 0.

#include "HostileImages.h"
#include "RawHttpClient.h"
#include "ServerProcess.h"
#include "TextImages.h"
#include "Version.h"

#include <QDir>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QVersionNumber>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <zlib.h>

// Readable failure messages for Qt text.
void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

using namespace lumeno::testkit;
using namespace std::chrono_literals;

namespace {

const QByteArray kBaidu = "/api/ocr/GetBaiduOcrTextNew";
const QByteArray kAutomatic = "/api/ocr/GetOcrText";

QByteArray requestBody(const QByteArray &image, const QString &language)
{
    return QJsonDocument(QJsonObject{{"imageBase64", QString::fromLatin1(image.toBase64())},
                                     {"languageIndex", language}})
        .toJson(QJsonDocument::Compact);
}

struct OcrReply
{
    int httpStatus = 0;
    int status = 0;
    QString message;
    QString text;
};

std::optional<OcrReply> readOcrReply(const std::optional<RawReply> &raw)
{
    if (!raw)
        return std::nullopt;
    const QJsonObject object = QJsonDocument::fromJson(raw->body).object();
    return OcrReply{raw->status, object.value("status").toInt(), object.value("message").toString(),
                    object.value("data").toObject().value("text").toString()};
}

std::optional<OcrReply> recognise(quint16 port, const QByteArray &path, const QByteArray &body,
                                  std::chrono::milliseconds timeout = 120s)
{
    return readOcrReply(post(port, path, body, timeout));
}

QByteArray helloPng()
{
    return pngBytes(renderText({"Hello world"}, {}));
}

// True when the server still recognises a plain request.
::testing::AssertionResult answersGoodRequest(quint16 port,
                                              std::chrono::milliseconds timeout = 120s)
{
    const auto reply = recognise(port, kBaidu, requestBody(helloPng(), "ENG"), timeout);
    if (!reply)
        return ::testing::AssertionFailure() << "no reply";
    if (reply->status != 200 || normalizeWhitespace(reply->text) != "Hello world")
        return ::testing::AssertionFailure()
               << "status " << reply->status << " text \"" << reply->text.toStdString() << "\"";
    return ::testing::AssertionSuccess();
}

// Leptonica's header reader trusts IHDR; the CRC is set right so no decoder rejects it early.
QByteArray withPngSize(QByteArray png, quint32 width, quint32 height)
{
    auto put = [&](int at, quint32 value) {
        for (int i = 0; i < 4; ++i)
            png[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
    };
    put(16, width);
    put(20, height);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(png.constData() + 12), 17);
    put(29, static_cast<quint32>(crc));
    return png;
}

class OcrServerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = new ServerProcess({"--workers", "2", "--queue", "2", "--request-timeout", "3"});
        ASSERT_TRUE(s_server->waitReady()) << s_server->output().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete s_server;
        s_server = nullptr;
    }
    static quint16 port() { return s_server->port(); }

    static ServerProcess *s_server;
};

ServerProcess *OcrServerTest::s_server = nullptr;

// --- Recognition -------------------------------------------------------------------------

struct TextCase
{
    const char *name;
    int pixelSize;
    QColor ink;
    QColor paper;
    bool jpeg;
};

class RecognitionTest : public OcrServerTest, public ::testing::WithParamInterface<TextCase>
{
};

TEST_P(RecognitionTest, RecognisesRenderedTextOnBothPaths)
{
    const TextCase &c = GetParam();
    const QStringList lines = sampleParagraph().mid(0, 3);
    const QImage image = renderText(lines, {c.pixelSize, c.ink, c.paper});
    const QByteArray bytes = c.jpeg ? jpegBytes(image) : pngBytes(image);
    for (const auto &[path, language] :
         {std::pair{kBaidu, QStringLiteral("ENG")}, std::pair{kAutomatic, QString()}}) {
        const auto reply = recognise(port(), path, requestBody(bytes, language));
        ASSERT_TRUE(reply) << path.constData();
        EXPECT_EQ(reply->httpStatus, 200);
        ASSERT_EQ(reply->status, 200) << reply->message.toStdString();
        EXPECT_TRUE(reply->message.isEmpty());
        // The capture's lines stay lines, in order, with nothing trailing.
        EXPECT_EQ(reply->text.split('\n', Qt::SkipEmptyParts).size(), lines.size())
            << reply->text.toStdString();
        EXPECT_EQ(reply->text, reply->text.trimmed());
        const QString expected = lines.join(' ');
        if (c.pixelSize >= 16)
            EXPECT_EQ(normalizeWhitespace(reply->text), expected) << path.constData();
        else
            EXPECT_LT(characterErrorRate(expected, reply->text), 0.03)
                << path.constData() << ": " << reply->text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    ScreenText, RecognitionTest,
    ::testing::Values(TextCase{"light11", 11, Qt::black, Qt::white, false},
                      TextCase{"light13", 13, Qt::black, Qt::white, false},
                      TextCase{"light16", 16, Qt::black, Qt::white, false},
                      TextCase{"light24", 24, Qt::black, Qt::white, false},
                      TextCase{"dark11", 11, QColor(230, 230, 230), QColor(30, 30, 30), false},
                      TextCase{"dark13", 13, Qt::white, QColor(40, 44, 52), false},
                      TextCase{"dark16", 16, QColor(220, 220, 220), QColor(20, 20, 20), false},
                      TextCase{"dark24", 24, Qt::white, Qt::black, false},
                      TextCase{"lowContrast13", 13, QColor(150, 150, 150), Qt::white, false},
                      TextCase{"lowContrast16", 16, QColor(90, 90, 100), QColor(60, 60, 66), false},
                      TextCase{"jpeg16", 16, Qt::black, QColor(250, 250, 240), true}),
    [](const auto &info) { return std::string(info.param.name); });

struct LanguageCase
{
    const char *code;
    const char *model;
    const char *line;
};

class LanguageTest : public OcrServerTest, public ::testing::WithParamInterface<LanguageCase>
{
};

TEST_P(LanguageTest, RecognisesTheChosenLanguage)
{
    const LanguageCase &c = GetParam();
    if (!QFile::exists(
            QStringLiteral("/usr/share/tesseract-ocr/5/tessdata/%1.traineddata").arg(c.model)))
        GTEST_SKIP() << c.model << " is not installed";
    const QString line = QString::fromUtf8(c.line);
    const auto reply =
        recognise(port(), kBaidu,
                  requestBody(pngBytes(renderText({line}, {20, Qt::black, Qt::white})), c.code));
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->status, 200) << reply->message.toStdString();
    EXPECT_LT(characterErrorRate(line, reply->text), 0.03) << reply->text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Languages, LanguageTest,
    ::testing::Values(LanguageCase{"FRE", "fra", "Le garçon a mangé une pêche à côté de l'église."},
                      LanguageCase{"GER", "deu", "Die Straße führt über die Brücke zum Schloss."},
                      LanguageCase{"SPA", "spa", "El niño pequeño comió una manzana en el jardín."},
                      LanguageCase{"RUS", "rus", "Мы долго гуляли по берегу большой реки."}),
    [](const auto &info) { return std::string(info.param.code); });

TEST_F(OcrServerTest, TinyAndTextlessImagesGiveEmptyText)
{
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(Qt::white);
    QImage blank(300, 80, QImage::Format_RGB32);
    blank.fill(Qt::darkBlue);
    for (const QImage &image : {one, blank}) {
        const auto reply = recognise(port(), kBaidu, requestBody(pngBytes(image), "ENG"));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200) << reply->message.toStdString();
        EXPECT_TRUE(reply->text.trimmed().isEmpty()) << reply->text.toStdString();
    }
}

// --- Refusals ------------------------------------------------------------------------------

struct RefusalCase
{
    const char *name;
    QByteArray path;
    std::function<QByteArray()> body;
    const char *messagePart;
};

class RefusalTest : public OcrServerTest, public ::testing::WithParamInterface<RefusalCase>
{
};

TEST_P(RefusalTest, RefusesInPlainWordsAndKeepsServing)
{
    const RefusalCase &c = GetParam();
    const auto reply = recognise(port(), c.path, c.body());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->httpStatus, 200);
    EXPECT_EQ(reply->status, 429);
    EXPECT_TRUE(reply->message.contains(QString::fromUtf8(c.messagePart), Qt::CaseInsensitive))
        << reply->message.toStdString();
    EXPECT_TRUE(answersGoodRequest(port()));
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, RefusalTest,
    ::testing::Values(
        RefusalCase{"notJson", kBaidu, [] { return QByteArray("imageBase64=abc"); }, "JSON"},
        RefusalCase{"jsonArray", kBaidu, [] { return QByteArray("[1,2]"); }, "JSON"},
        RefusalCase{"emptyBody", kAutomatic, [] { return QByteArray(); }, "JSON"},
        RefusalCase{"noImage", kBaidu, [] { return QByteArray(R"({"languageIndex":"ENG"})"); },
                    "imageBase64"},
        RefusalCase{"imageNotText", kBaidu,
                    [] { return QByteArray(R"({"imageBase64":42,"languageIndex":"ENG"})"); },
                    "imageBase64"},
        RefusalCase{
            "noLanguage", kBaidu,
            [] { return QByteArray(R"({"imageBase64":")") + helloPng().toBase64() + "\"}"; },
            "languageIndex"},
        RefusalCase{
            "badBase64", kBaidu,
            [] { return QByteArray(R"({"imageBase64":"iVBO*&^%","languageIndex":"ENG"})"); },
            "Base64"},
        RefusalCase{"gif", kBaidu, [] { return requestBody("GIF89a\x01\x00\x01\x00", "ENG"); },
                    "PNG or JPEG"},
        RefusalCase{"truncatedPng", kBaidu,
                    [] {
                        const QByteArray png = pngBytes(renderText({"Hello"}, {}));
                        return requestBody(png.left(png.size() / 2), "ENG");
                    },
                    "damaged"},
        RefusalCase{"pngHeaderOnly", kBaidu, [] { return requestBody(helloPng().left(20), "ENG"); },
                    "damaged"},
        RefusalCase{"hugeClaimedPng", kBaidu,
                    [] { return requestBody(withPngSize(helloPng(), 30000, 30000), "ENG"); },
                    "10000 pixels"},
        RefusalCase{"tooManyPixels", kBaidu,
                    [] { return requestBody(withPngSize(helloPng(), 9000, 9000), "ENG"); },
                    "40 megapixels"},
        RefusalCase{"unknownLanguage", kBaidu, [] { return requestBody(helloPng(), "KLINGON"); },
                    "unknown"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(OcrServerTest, WrongPathOrMethodIsPlainHttpError)
{
    const auto wrongPath = post(port(), "/api/ocr/Nothing", requestBody(helloPng(), "ENG"));
    ASSERT_TRUE(wrongPath);
    EXPECT_EQ(wrongPath->status, 404);
    RawHttpClient client(port());
    ASSERT_TRUE(client.send("GET /api/ocr/GetOcrText HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    const auto wrongMethod = client.readReply(30s);
    ASSERT_TRUE(wrongMethod);
    EXPECT_EQ(wrongMethod->status, 405);
    EXPECT_TRUE(answersGoodRequest(port()));
}

TEST_F(OcrServerTest, OversizeBodyIsRefusedBeforeItIsRead)
{
    RawHttpClient client(port());
    const qsizetype announced = 49 * 1024 * 1024;
    ASSERT_TRUE(client.send("POST " + kBaidu +
                            " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                            "Content-Length: " +
                            QByteArray::number(announced) + "\r\n\r\n"));
    client.send(QByteArray(64 * 1024, 'A'));
    // The answer comes while nearly all of the body is still unsent.
    const auto reply = readOcrReply(client.readReply(30s));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 429);
    EXPECT_TRUE(reply->message.contains("48 MiB")) << reply->message.toStdString();
    EXPECT_TRUE(answersGoodRequest(port()));
}

// The server stops keeping the body at the limit and drops the rest as it comes; the client,
// which sent it all, gets the refusal in the reply form and the connection closes after it.
TEST_F(OcrServerTest, ChunkedBodyPastTheLimitGetsTheRefusal)
{
    RawHttpClient client(port());
    ASSERT_TRUE(client.send("POST " + kBaidu +
                            " HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n\r\n"));
    const QByteArray chunk =
        QByteArray::number(1024 * 1024, 16) + "\r\n" + QByteArray(1024 * 1024, 'A') + "\r\n";
    for (int i = 0; i < 52; ++i)
        ASSERT_TRUE(client.send(chunk)) << "cut off after " << i << " MiB";
    ASSERT_TRUE(client.send("0\r\n\r\n"));
    const auto raw = client.readReply(30s);
    const auto reply = readOcrReply(raw);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 429);
    EXPECT_TRUE(reply->message.contains("48 MiB")) << reply->message.toStdString();
    EXPECT_TRUE(client.waitClosed(30s));
    EXPECT_TRUE(answersGoodRequest(port()));
}

// With a budget of 64 MiB the server holds at most 48 MiB of bodies, its largest body: while
// one body of 30 MiB is on its way, another is busy on its headers, in the reply form. Once the
// first has its answer the room is back.
TEST(OcrServerHostile, BodiesPastTheServersShareOfMemoryAreBusy)
{
    ServerProcess server({"--memory-budget", "64"});
    ASSERT_TRUE(server.waitReady());
    const QByteArray body =
        "{\"imageBase64\":\"" + QByteArray(30 * 1024 * 1024, 'A') + "\",\"languageIndex\":\"ENG\"}";
    QByteArray request = RawHttpClient::postRequest(kBaidu, body);
    request.insert(request.indexOf("\r\n\r\n") + 2, "Expect: 100-continue\r\n");
    const qsizetype head = request.indexOf("\r\n\r\n") + 4;
    RawHttpClient first(server.port());
    ASSERT_TRUE(first.send(request.left(head)));
    // The go-ahead comes once the server has taken the first body's room on its headers.
    const auto goAhead = first.readReply(30s);
    ASSERT_TRUE(goAhead);
    ASSERT_EQ(goAhead->status, 100);
    ASSERT_TRUE(first.send(request.mid(head, 1024)));

    RawHttpClient second(server.port());
    ASSERT_TRUE(second.send(request.left(head)));
    const auto busy = readOcrReply(second.readReply(30s));
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 429);
    EXPECT_TRUE(busy->message.contains("busy")) << busy->message.toStdString();

    ASSERT_TRUE(first.send(request.mid(head + 1024)));
    const auto answered = readOcrReply(first.readReply(120s));
    ASSERT_TRUE(answered);
    EXPECT_FALSE(answered->message.contains("busy")) << answered->message.toStdString();
    const auto third = recognise(server.port(), kBaidu, body);
    ASSERT_TRUE(third);
    EXPECT_FALSE(third->message.contains("busy")) << third->message.toStdString();
    EXPECT_TRUE(answersGoodRequest(server.port()));
}

TEST_F(OcrServerTest, GetOcrTextReadsANullLanguageLikeAMissingOne)
{
    const QByteArray body =
        QJsonDocument(QJsonObject{{"imageBase64", QString::fromLatin1(helloPng().toBase64())},
                                  {"languageIndex", QJsonValue::Null}})
            .toJson(QJsonDocument::Compact);
    const auto automatic = recognise(port(), kAutomatic, body);
    ASSERT_TRUE(automatic);
    ASSERT_EQ(automatic->status, 200) << automatic->message.toStdString();
    EXPECT_EQ(normalizeWhitespace(automatic->text), "Hello world");
    // Where a language is required, null is as missing as ever.
    const auto baidu = recognise(port(), kBaidu, body);
    ASSERT_TRUE(baidu);
    EXPECT_EQ(baidu->status, 429);
    EXPECT_TRUE(baidu->message.contains("languageIndex")) << baidu->message.toStdString();
}

// Clients that never finish their request are cut off after the request timeout (3 s here),
// and the server answers others meanwhile.
struct StallCase
{
    const char *name;
    QByteArray start;
    bool trickle; // one more byte every second
};

class StalledClientTest : public OcrServerTest, public ::testing::WithParamInterface<StallCase>
{
};

TEST_P(StalledClientTest, IsCutOffWhileOthersAreServed)
{
    const StallCase &c = GetParam();
    RawHttpClient client(port());
    ASSERT_TRUE(client.send(c.start));
    std::atomic<bool> stop = false;
    std::thread trickler;
    if (c.trickle)
        trickler = std::thread([&] {
            while (!stop && client.send("X"))
                std::this_thread::sleep_for(1s);
        });
    EXPECT_TRUE(answersGoodRequest(port()));
    EXPECT_TRUE(client.waitClosed(60s));
    stop = true;
    if (trickler.joinable())
        trickler.join();
    EXPECT_TRUE(answersGoodRequest(port()));
}

INSTANTIATE_TEST_SUITE_P(
    SlowClients, StalledClientTest,
    ::testing::Values(
        StallCase{
            "chunkedWithoutEnd",
            "POST " + kBaidu +
                " HTTP/1.1\r\nHost: 127.0.0.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n",
            false},
        StallCase{"headersOneByteASecond", "POST " + kBaidu + " HTTP/1.1\r\nX-Slow: ", true},
        StallCase{"bodyOneByteASecond",
                  "POST " + kBaidu + " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 1000\r\n\r\n",
                  true}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(OcrServerTest, TenThousandHeadersAreRefused)
{
    RawHttpClient client(port());
    QByteArray request = "POST " + kBaidu + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    for (int i = 0; i < 10000; ++i)
        request += "X-Header-" + QByteArray::number(i) + ": value\r\n";
    request += "Content-Length: 2\r\n\r\n{}";
    client.send(request); // the server may close before it has all of it
    const auto reply = client.readReply(30s);
    if (reply)
        EXPECT_GE(reply->status, 400);
    else
        EXPECT_TRUE(client.waitClosed(30s));
    EXPECT_TRUE(answersGoodRequest(port()));
}

// --- Hostile clients -----------------------------------------------------------------------

// Each answered once, with one status line, and the server goes on serving.
struct BadRequestCase
{
    const char *name;
    QByteArray request;
    int status; // 0: closed without an answer
    const char *headPart;
    bool closes; // the server closes the connection after its answer
    // libmicrohttpd up to 0.9.75 sends the status line and headers of its own Content-Length
    // refusal twice; nothing in front of it can take the second copy back.
    bool headTwiceInOldLibrary = false;
};

class BadRequestTest : public OcrServerTest, public ::testing::WithParamInterface<BadRequestCase>
{
};

TEST_P(BadRequestTest, IsAnsweredOnceAndClearly)
{
    const BadRequestCase &c = GetParam();
    RawHttpClient client(port());
    ASSERT_TRUE(client.send(c.request));
    QByteArray received;
    if (c.closes) {
        // A head that never comes to a request line is answered at the header timeout (3 s).
        const auto all = client.readUntilClosed(30s);
        ASSERT_TRUE(all) << "still open";
        received = *all;
    } else {
        const auto reply = client.readReply(30s);
        ASSERT_TRUE(reply);
        received = reply->head + "\r\n\r\n" + reply->body;
    }
    EXPECT_EQ(received.split(' ').value(1).toInt(), c.status) << received.left(200).toStdString();
    EXPECT_TRUE(received.contains(c.headPart)) << received.left(300).toStdString();
    EXPECT_TRUE(answersGoodRequest(port()));
    const qsizetype statusLines = received.count("HTTP/1.");
    if (c.headTwiceInOldLibrary && statusLines == 2 &&
        QVersionNumber::fromString(QLatin1String(LUMENO_MICROHTTPD_VERSION)) <=
            QVersionNumber(0, 9, 75))
        GTEST_SKIP() << "libmicrohttpd " << LUMENO_MICROHTTPD_VERSION
                     << " sends its Content-Length refusal's head twice";
    EXPECT_EQ(statusLines, c.status ? 1 : 0) << received.left(400).toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Http, BadRequestTest,
    ::testing::Values(
        // Binary garbage starting with a NUL, which libmicrohttpd reads as an empty line before
        // the request line, then waits for one.
        BadRequestCase{"binaryRequestLine",
                       QByteArray("\0\x8f\x01\xff\xfe\x13\x10\x7f\r\n\r\n", 12), 400,
                       "no HTTP request line", true},
        BadRequestCase{"garbageWithSpaces", "\x8f\x01\xff\xfe garbage \x13\x10\r\n\r\n", 400,
                       "Bad Request", true},
        // Split at no space, the line ends the connection at once, with no answer from
        // libmicrohttpd 0.9.75 and none possible from in front of it.
        BadRequestCase{"garbageWithoutSpaces", "\x8f\x01\xff\xfe\x13\x10\x7f\x80\r\n\r\n", 0, "",
                       true},
        BadRequestCase{"conflictingContentLength",
                       "POST " + kBaidu +
                           " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 2\r\n"
                           "Content-Length: 5\r\n\r\n{}abc",
                       400, "conflicting Content-Length", true},
        BadRequestCase{"contentLengthOverflow",
                       "POST " + kBaidu +
                           " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                           "Content-Length: 18446744073709551621\r\n\r\n",
                       413, "Content-Length", true, true},
        BadRequestCase{"contentLengthNegative",
                       "POST " + kBaidu +
                           " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: -1\r\n\r\n",
                       400, "Content-Length", true, true},
        BadRequestCase{"getOnAnOcrPath",
                       "GET " + kAutomatic + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n", 405,
                       "Allow: POST", false}),
    [](const auto &info) { return std::string(info.param.name); });

// Decoders say nothing per image; the server sums them up in one line (here at its exit).
TEST(OcrServerHostile, DamagedImagesAreCountedNotLogged)
{
    ServerProcess server({"--workers", "2"});
    ASSERT_TRUE(server.waitReady());
    for (int i = 0; i < 10; ++i)
        for (const QByteArray &image : {damagedPng(), damagedJpeg()}) {
            const auto reply = recognise(server.port(), kBaidu, requestBody(image, "ENG"));
            ASSERT_TRUE(reply);
            EXPECT_EQ(reply->status, 429);
            EXPECT_TRUE(reply->message.contains("damaged")) << reply->message.toStdString();
        }
    EXPECT_TRUE(answersGoodRequest(server.port()));
    ASSERT_EQ(server.terminate(), 0);
    const QList<QByteArray> lines = server.output().trimmed().split('\n');
    EXPECT_EQ(lines.size(), 2) << server.output().toStdString();
    EXPECT_TRUE(lines.value(0).startsWith("listening on "));
    EXPECT_EQ(lines.value(1),
              "lumeno-ocr-server: refused 20 damaged image(s) since the last summary");
}

// Slow clients that keep their request head coming, a byte a second, on connections that every
// other client needs too; when cut, they come back.
class HeaderFlood
{
public:
    HeaderFlood(quint16 port, int clients) : m_port(port), m_clients(clients)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~HeaderFlood()
    {
        m_stop = true;
        m_thread.join();
    }
    int reconnections() const { return m_reconnections; }

private:
    void run()
    {
        const QByteArray start = "POST " + kBaidu + " HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Slow: ";
        std::vector<std::unique_ptr<RawHttpClient>> clients;
        for (int i = 0; i < m_clients && !m_stop; ++i) {
            clients.push_back(std::make_unique<RawHttpClient>(m_port));
            clients.back()->send(start);
        }
        for (int second = 0; second < 120 && !m_stop; ++second) {
            for (auto &client : clients)
                if (!client->send("x")) {
                    client = std::make_unique<RawHttpClient>(m_port);
                    client->send(start);
                    ++m_reconnections;
                }
            for (int i = 0; i < 10 && !m_stop; ++i)
                std::this_thread::sleep_for(100ms);
        }
    }

    const quint16 m_port;
    const int m_clients;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_reconnections = 0;
    std::thread m_thread;
};

TEST(OcrServerHostile, TheTrayIsAnsweredDuringASlowHeaderFlood)
{
    // The limits as the tray program starts the server: the defaults.
    ServerProcess server({"--workers", "2"});
    ASSERT_TRUE(server.waitReady());
    HeaderFlood flood(server.port(), 300);
    std::this_thread::sleep_for(3s);
    // Well within the tray's own transfer timeout (30 s), which the flood's clients, holding
    // their connections for the whole request timeout, would otherwise outlast.
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(answersGoodRequest(server.port(), 20s)) << "request " << i;
        std::this_thread::sleep_for(1s);
    }
    // The header timeout (5 s) and the connection limits cut the flood's clients meanwhile.
    EXPECT_GT(flood.reconnections(), 0);
}

// Connections still sending their request go, the longest first, when all are taken; so the
// bodies the server keeps at once are bounded by the connection limit.
TEST(OcrServerHostile, TheConnectionLimitCutsTheLongestSender)
{
    ServerProcess server({"--workers", "2", "--max-connections", "4"});
    ASSERT_TRUE(server.waitReady());
    std::vector<std::unique_ptr<RawHttpClient>> senders;
    for (int i = 0; i < 6; ++i) {
        senders.push_back(std::make_unique<RawHttpClient>(server.port()));
        ASSERT_TRUE(senders.back()->send("POST " + kBaidu +
                                         " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                         "Content-Length: 1048576\r\n\r\n" +
                                         QByteArray(1024, 'A')));
        std::this_thread::sleep_for(100ms); // one after the other, in a known order
    }
    // Two had to go for the last two: the first two.
    EXPECT_TRUE(senders[0]->waitClosed(10s));
    EXPECT_TRUE(senders[1]->waitClosed(10s));
    EXPECT_FALSE(senders[5]->waitClosed(200ms));
    EXPECT_TRUE(answersGoodRequest(server.port()));
    const QByteArray help = [] {
        QProcess process;
        process.start(ServerProcess::binaryPath(), {"--help"});
        process.waitForFinished(60000);
        return process.readAllStandardOutput();
    }();
    for (const char *option : {"--max-connections ", "--max-connections-per-client",
                               "--header-timeout", "--min-body-rate", "--memory-budget"})
        EXPECT_TRUE(help.contains(option)) << option;
}

// The worst pages within the pixel limit, once and eight at once, with a budget that holds one
// at a time: the server's peak stays under it, and the memory goes back afterwards.
TEST(OcrServerHostile, ADottedFortyMegapixelPageStaysUnderTheMemoryBudget)
{
    constexpr qint64 kBudgetMiB = 1280;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer would hold freed blocks back for reuse, beyond what the server holds.
    environment.insert("ASAN_OPTIONS",
                       environment.value("ASAN_OPTIONS") +
                           ":quarantine_size_mb=16:thread_local_quarantine_size_kb=64");
#endif
    ServerProcess server({"--workers", "4", "--memory-budget", QString::number(kBudgetMiB)},
                         environment);
    ASSERT_TRUE(server.waitReady());
    const QByteArray body = requestBody(dottedPng(6324, DotPattern::Dots), "ENG");
    const auto alone = post(server.port(), kBaidu, body, 300s);
    ASSERT_TRUE(alone);
    EXPECT_EQ(readOcrReply(alone)->status, 200) << alone->body.toStdString();
    EXPECT_LT(server.peakResidentKiB(), kBudgetMiB * 1024);

    std::vector<std::unique_ptr<RawHttpClient>> clients;
    for (int i = 0; i < 8; ++i) {
        clients.push_back(std::make_unique<RawHttpClient>(server.port()));
        ASSERT_TRUE(clients.back()->send(RawHttpClient::postRequest(kBaidu, body)));
    }
    for (auto &client : clients) {
        const auto reply = readOcrReply(client->readReply(300s));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200) << reply->message.toStdString();
    }
    const qint64 peak = server.peakResidentKiB();
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, kBudgetMiB * 1024) << "peak " << peak / 1024 << " MiB";
#if !defined(__SANITIZE_ADDRESS__)
    // Without the allocator's free pages handed back, most of a request's peak stays resident.
    EXPECT_LT(server.residentKiB(), kBudgetMiB * 1024 / 4) << server.residentKiB() / 1024;
#endif
    EXPECT_TRUE(answersGoodRequest(server.port()));
}

// --- Load ----------------------------------------------------------------------------------

QByteArray screenfulOfText()
{
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << sampleParagraph();
    return requestBody(pngBytes(renderText(lines, {13, Qt::black, Qt::white})), "ENG");
}

TEST(OcrServerLoad, ExcessConcurrentClientsAreRefusedAtOnce)
{
    ServerProcess server({"--workers", "2", "--queue", "0"});
    ASSERT_TRUE(server.waitReady());
    const QByteArray body = screenfulOfText();
    std::vector<std::unique_ptr<RawHttpClient>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(std::make_unique<RawHttpClient>(server.port()));
        ASSERT_TRUE(clients.back()->send(RawHttpClient::postRequest(kBaidu, body)));
    }
    int answered = 0, busy = 0;
    for (auto &client : clients) {
        const auto reply = readOcrReply(client->readReply(120s));
        ASSERT_TRUE(reply);
        if (reply->status == 200 && !reply->text.isEmpty())
            ++answered;
        else if (reply->status == 429 && reply->message.contains("busy"))
            ++busy;
    }
    EXPECT_EQ(answered, 2);
    EXPECT_EQ(busy, 2);
    EXPECT_TRUE(answersGoodRequest(server.port()));
}

// The threads of a running process, from /proc.
qsizetype threadCount(qint64 pid)
{
    return QDir(QStringLiteral("/proc/%1/task").arg(pid))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

// Without OMP_THREAD_LIMIT=1 each recognition spreads over every core, and concurrent ones fight
// over them and run several times slower than one after another; the server must set the limit
// for itself. Held to one thread, OpenMP starts no threads of its own: four recognitions at
// once, one worker each, leave the process with the threads it started with. That such
// requests are read side by side, each on a worker of its own, RecognitionPoolParallel shows in
// process.
TEST(OcrServerLoad, ConcurrentRecognitionsRunInParallel)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("OMP_THREAD_LIMIT");
    ServerProcess server({"--workers", "4", "--queue", "0", "--workers-per-request", "1"},
                         environment);
    ASSERT_TRUE(server.waitReady());

    QFile environ(QStringLiteral("/proc/%1/environ").arg(server.pid()));
    ASSERT_TRUE(environ.open(QIODevice::ReadOnly));
    EXPECT_TRUE(environ.readAll().split('\0').contains("OMP_THREAD_LIMIT=1"));

    const qsizetype threads = threadCount(server.pid());
    EXPECT_GE(threads, 4); // the workers, at least
    const QByteArray body = screenfulOfText();
    std::vector<std::unique_ptr<RawHttpClient>> clients;
    for (int i = 0; i < 4; ++i) {
        clients.push_back(std::make_unique<RawHttpClient>(server.port()));
        ASSERT_TRUE(clients.back()->send(RawHttpClient::postRequest(kBaidu, body)));
    }
    for (auto &client : clients) {
        const auto reply = readOcrReply(client->readReply(120s));
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200) << reply->message.toStdString();
        EXPECT_FALSE(reply->text.isEmpty());
    }
    EXPECT_EQ(threadCount(server.pid()), threads);
}

// --- Process -------------------------------------------------------------------------------

TEST(OcrServerProcess, FinishesRequestsInFlightOnSigterm)
{
    ServerProcess server({"--workers", "1"});
    ASSERT_TRUE(server.waitReady());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send(RawHttpClient::postRequest(kBaidu, screenfulOfText())));
    std::this_thread::sleep_for(200ms); // let the request arrive before the signal
    std::thread stopper([&] { EXPECT_EQ(server.terminate(), 0); });
    const auto reply = readOcrReply(client.readReply(120s));
    stopper.join();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_FALSE(reply->text.isEmpty());
}

TEST(OcrServerProcess, RefusesLanguagesWhosePackIsMissing)
{
    QTemporaryDir tessdata;
    ASSERT_TRUE(QFile::link("/usr/share/tesseract-ocr/5/tessdata/eng.traineddata",
                            tessdata.filePath("eng.traineddata")));
    ServerProcess server({"--tessdata", tessdata.path()});
    ASSERT_TRUE(server.waitReady());
    EXPECT_TRUE(server.output().contains("tesseract-ocr-jpn")) << server.output().toStdString();
    const auto reply = recognise(server.port(), kBaidu, requestBody(helloPng(), "JAP"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 429);
    EXPECT_TRUE(reply->message.contains("tesseract-ocr-jpn")) << reply->message.toStdString();
    const auto chinese = recognise(server.port(), kBaidu, requestBody(helloPng(), "CHN_ENG"));
    ASSERT_TRUE(chinese);
    EXPECT_TRUE(chinese->message.contains("tesseract-ocr-chi-sim"))
        << chinese->message.toStdString();
    EXPECT_TRUE(answersGoodRequest(server.port()));
}

struct StartFailure
{
    const char *name;
    QStringList arguments;
    const char *messagePart;
};

::testing::AssertionResult failsToStart(const QStringList &arguments, const char *messagePart)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(ServerProcess::binaryPath(), arguments);
    if (!process.waitForFinished(60000))
        return ::testing::AssertionFailure() << "still running";
    const QByteArray output = process.readAll();
    if (process.exitCode() == 0 || !output.contains(messagePart) || output.contains("listening"))
        return ::testing::AssertionFailure()
               << "exit " << process.exitCode() << ": " << output.toStdString();
    return ::testing::AssertionSuccess();
}

class StartFailureTest : public ::testing::TestWithParam<StartFailure>
{
};

TEST_P(StartFailureTest, ExitsWithAClearMessage)
{
    EXPECT_TRUE(failsToStart(GetParam().arguments, GetParam().messagePart));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, StartFailureTest,
    ::testing::Values(StartFailure{"noLanguageData",
                                   {"--port", "0", "--tessdata", "/nonexistent/tessdata"},
                                   "tesseract-ocr-eng"},
                      StartFailure{"badWorkers", {"--workers", "zero"}, "--workers"},
                      StartFailure{"badPort", {"--port", "70000"}, "--port"},
                      StartFailure{"strayArgument", {"--port", "0", "extra"}, "extra"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(OcrServerProcess, RefusesToStartOnATakenPort)
{
    ServerProcess holder;
    ASSERT_TRUE(holder.waitReady());
    EXPECT_TRUE(failsToStart({"--host", "127.0.0.1", "--port", QString::number(holder.port())},
                             "cannot listen"));
}

TEST(OcrServerProcess, PrintsVersionAndHelp)
{
    QProcess process;
    process.start(ServerProcess::binaryPath(), {"--version"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(process.readAllStandardOutput().trimmed(),
              QByteArray("lumeno-ocr-server ") + lumeno::kVersion);
    process.start(ServerProcess::binaryPath(), {"--help"});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    const QByteArray help = process.readAllStandardOutput();
    for (const char *option : {"--host", "--port", "--workers", "--queue", "--tessdata"})
        EXPECT_TRUE(help.contains(option)) << option;
}

} // namespace

int main(int argc, char **argv)
{
    // Rendering needs no display, and test discovery runs without the tests' environment.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
