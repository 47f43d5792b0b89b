// The libmicrohttpd wrapper, in process, against raw sockets on 127.0.0.1.

#include "HttpServer.h"
#include "RawHttpClient.h"
#include "SlowClientReaper.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace lumeno;
using namespace lumeno::testkit;
using namespace std::chrono_literals;

namespace {

HttpServer::Options smallOptions()
{
    HttpServer::Options options;
    options.maxBodyBytes = 1024;
    options.requestTimeoutSeconds = 2;
    return options;
}

HttpResponse ok(QByteArray body)
{
    return {200, std::move(body), "text/plain"};
}

// Keeps each request's Responder so the test decides when, and whether, to answer.
struct HeldRequests
{
    std::mutex mutex;
    std::vector<HttpServer::Responder> responders;
    std::atomic<int> count = 0;

    HttpServer::Handler handler()
    {
        return [this](const HttpRequest &, HttpServer::Responder respond) {
            std::lock_guard lock(mutex);
            responders.push_back(std::move(respond));
            ++count;
        };
    }
    bool waitFor(int n)
    {
        for (int i = 0; i < 3000 && count < n; ++i)
            std::this_thread::sleep_for(10ms);
        return count >= n;
    }
    HttpServer::Responder take(size_t i)
    {
        std::lock_guard lock(mutex);
        return responders.at(i);
    }
};

TEST(HttpServer, PassesTheWholeRequestToTheHandler)
{
    std::promise<HttpRequest> seen;
    HttpServer server(smallOptions(), [&](const HttpRequest &request, HttpServer::Responder r) {
        seen.set_value(request);
        r(ok("fine"));
    });
    ASSERT_TRUE(server.start());
    ASSERT_NE(server.port(), 0);
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send("PUT /a/b?x=1&y=2 HTTP/1.1\r\nHost: h\r\nX-Thing: Value\r\n"
                            "Content-Length: 5\r\n\r\nhello"));
    const auto reply = client.readReply(30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(reply->body, "fine");
    const HttpRequest request = seen.get_future().get();
    EXPECT_EQ(request.method, "PUT");
    EXPECT_EQ(request.path, "/a/b");
    EXPECT_EQ(request.rawUri, "/a/b?x=1&y=2");
    EXPECT_EQ(request.header("x-thing"), "Value");
    EXPECT_EQ(request.body, "hello");
}

TEST(HttpServer, AnswersLaterFromAnotherThreadAndIgnoresSecondAnswers)
{
    HeldRequests held;
    HttpServer server(smallOptions(), held.handler());
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send(RawHttpClient::postRequest("/", "{}")));
    ASSERT_TRUE(held.waitFor(1));
    EXPECT_FALSE(client.readReply(200ms)) << "answered before the handler replied";
    std::thread([r = held.take(0)] {
        r(ok("late"));
        r(ok("again"));
    }).join();
    const auto reply = client.readReply(30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "late");
    // The connection stays usable for the next request.
    ASSERT_TRUE(client.send(RawHttpClient::postRequest("/", "{}")));
    ASSERT_TRUE(held.waitFor(2));
    held.take(1)(ok("second"));
    const auto second = client.readReply(30s);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->body, "second");
}

struct OversizeCase
{
    const char *name;
    QByteArray head;
    QByteArray body;
    // A client still sending a body the server will not read may lose the reply to the
    // connection reset; it must at least be cut off.
    bool replyGuaranteed;
};

class OversizeBodyTest : public ::testing::TestWithParam<OversizeCase>
{
};

TEST_P(OversizeBodyTest, GetsTheConfiguredReplyWithoutReachingTheHandler)
{
    std::atomic<int> handled = 0;
    HttpServer::Options options = smallOptions();
    options.bodyTooLarge = {200, "too big", "text/plain"};
    HttpServer server(options, [&](const HttpRequest &, HttpServer::Responder r) {
        ++handled;
        r(ok("handled"));
    });
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send(GetParam().head));
    client.send(GetParam().body);
    const auto reply = client.readReply(30s);
    if (GetParam().replyGuaranteed || reply) {
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->body, "too big");
    } else {
        EXPECT_TRUE(client.waitClosed(30s));
    }
    EXPECT_EQ(handled, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Limits, OversizeBodyTest,
    ::testing::Values(
        // Announced: refused on the headers alone, with none of the body sent.
        OversizeCase{
            "announced", "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 1025\r\n\r\n", {}, true},
        // The rest is read and dropped; the answer comes when the body ends.
        OversizeCase{"chunked", "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n",
                     "800\r\n" + QByteArray(2048, 'a') + "\r\n800\r\n" + QByteArray(2048, 'b') +
                         "\r\n0\r\n\r\n",
                     true}),
    [](const auto &info) { return std::string(info.param.name); });

// --- The total of buffered bodies ----------------------------------------------------------

HttpServer::Options bodyTotalOptions()
{
    HttpServer::Options options = smallOptions();
    options.maxBufferedBodyBytes = 600;
    options.busy = {503, "busy", "text/plain"};
    return options;
}

// Waits until the server holds exactly `bytes` of bodies; false when it still does not after
// the patience.
bool holdsBodyBytes(const HttpServer &server, size_t bytes)
{
    for (int i = 0; i < 3000 && server.bufferedBodyBytes() != bytes; ++i)
        std::this_thread::sleep_for(10ms);
    return server.bufferedBodyBytes() == bytes;
}

QByteArray chunkedHead()
{
    return "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n";
}

QByteArray chunk(const QByteArray &bytes)
{
    return QByteArray::number(bytes.size(), 16) + "\r\n" + bytes + "\r\n";
}

// A body held while its request waits for its reply leaves too little of the total for a
// second one, which is busy on its headers; once the first is answered the room is back.
TEST(HttpServerBodyTotal, ABodyPastWhatIsLeftIsBusyUntilTheEarlierOneIsDone)
{
    HeldRequests held;
    HttpServer server(bodyTotalOptions(), held.handler());
    ASSERT_TRUE(server.start());
    const QByteArray body(400, 'a');
    RawHttpClient first(server.port());
    ASSERT_TRUE(first.send(RawHttpClient::postRequest("/", body)));
    ASSERT_TRUE(held.waitFor(1));
    EXPECT_EQ(server.bufferedBodyBytes(), 400u);

    RawHttpClient second(server.port());
    ASSERT_TRUE(second.send(RawHttpClient::postRequest("/", body)));
    const auto busy = second.readReply(30s);
    ASSERT_TRUE(busy);
    EXPECT_EQ(busy->status, 503);
    EXPECT_EQ(busy->body, "busy");
    EXPECT_EQ(held.count, 1);

    held.take(0)(ok("one"));
    const auto one = first.readReply(30s);
    ASSERT_TRUE(one);
    EXPECT_EQ(one->body, "one");
    EXPECT_TRUE(holdsBodyBytes(server, 0));

    RawHttpClient third(server.port());
    ASSERT_TRUE(third.send(RawHttpClient::postRequest("/", body)));
    ASSERT_TRUE(held.waitFor(2));
    EXPECT_EQ(server.bufferedBodyBytes(), 400u);
    held.take(1)(ok("three"));
    const auto three = third.readReply(30s);
    ASSERT_TRUE(three);
    EXPECT_EQ(three->body, "three");
}

// Under the size limit but past the total: the rest is read and dropped, and the client gets
// the busy answer at its end. One within the total is taken as ever.
TEST(HttpServerBodyTotal, AChunkedBodyThatPassesTheTotalIsDroppedAndAnsweredBusy)
{
    std::atomic<int> handled = 0;
    HttpServer server(bodyTotalOptions(), [&](const HttpRequest &request, HttpServer::Responder r) {
        ++handled;
        r(ok(QByteArray::number(request.body.size())));
    });
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send(chunkedHead() + chunk(QByteArray(400, 'a'))));
    ASSERT_TRUE(client.send(chunk(QByteArray(400, 'b')) + "0\r\n\r\n"));
    const auto reply = client.readReply(30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 503);
    EXPECT_EQ(reply->body, "busy");
    EXPECT_TRUE(client.waitClosed(30s));
    EXPECT_EQ(handled, 0);
    EXPECT_TRUE(holdsBodyBytes(server, 0));

    RawHttpClient within(server.port());
    ASSERT_TRUE(within.send(chunkedHead() + chunk(QByteArray(300, 'a')) +
                            chunk(QByteArray(300, 'b')) + "0\r\n\r\n"));
    const auto taken = within.readReply(30s);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->body, "600");
}

struct VanishCase
{
    const char *name;
    QByteArray sent; // before the client goes away
    size_t held;     // what the server holds for it by then
    int handled;     // requests its handler has by then
};

class VanishingClientTest : public ::testing::TestWithParam<VanishCase>
{
};

// However a client goes, what its body held comes back: the whole total is free for the next.
TEST_P(VanishingClientTest, GivesBackWhatItsBodyHeld)
{
    const VanishCase &c = GetParam();
    HeldRequests held;
    HttpServer server(bodyTotalOptions(), held.handler());
    ASSERT_TRUE(server.start());
    auto client = std::make_unique<RawHttpClient>(server.port());
    ASSERT_TRUE(client->send(c.sent));
    ASSERT_TRUE(holdsBodyBytes(server, c.held));
    // A declared body is held from its headers, before its request reaches the handler.
    ASSERT_TRUE(held.waitFor(c.handled));
    client.reset();
    // A request waiting for its reply is not watched: it learns of the client when answered.
    for (int i = 0; i < c.handled; ++i)
        held.take(static_cast<size_t>(i))(ok("late"));
    EXPECT_TRUE(holdsBodyBytes(server, 0)) << server.bufferedBodyBytes();
    EXPECT_EQ(held.count, c.handled);

    RawHttpClient next(server.port());
    ASSERT_TRUE(next.send(RawHttpClient::postRequest("/", QByteArray(600, 'n'))));
    ASSERT_TRUE(held.waitFor(c.handled + 1));
    held.take(static_cast<size_t>(c.handled))(ok("next"));
    const auto reply = next.readReply(30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "next");
}

INSTANTIATE_TEST_SUITE_P(
    BodyTotal, VanishingClientTest,
    ::testing::Values(
        // A declared body is held whole from its headers.
        VanishCase{"midDeclaredBody",
                   "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 500\r\n\r\n" +
                       QByteArray(100, 'a'),
                   500, 0},
        VanishCase{"midChunkedBody", chunkedHead() + chunk(QByteArray(100, 'a')), 100, 0},
        VanishCase{"waitingForItsReply", RawHttpClient::postRequest("/", QByteArray(400, 'a')), 400,
                   1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(HttpServer, RefusesConflictingContentLengthsWithoutReachingTheHandler)
{
    std::atomic<int> handled = 0;
    HttpServer server(smallOptions(), [&](const HttpRequest &, HttpServer::Responder r) {
        ++handled;
        r(ok("handled"));
    });
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\n"
                            "content-length: 7\r\n\r\nabcdefg"));
    const auto reply = client.readReply(30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 400);
    EXPECT_TRUE(client.waitClosed(30s));
    EXPECT_EQ(handled, 0);
    // The same length twice is one length.
    RawHttpClient same(server.port());
    ASSERT_TRUE(same.send("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 3\r\n"
                          "Content-Length: 3\r\n\r\nabc"));
    const auto accepted = same.readReply(30s);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 200);
}

TEST(HttpServer, SendsTheResponsesOwnHeaders)
{
    HttpServer server(smallOptions(), [](const HttpRequest &, HttpServer::Responder r) {
        HttpResponse reply{405, "no\n", "text/plain"};
        reply.headers = {{"Allow", "POST"}};
        r(reply);
    });
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send("GET / HTTP/1.1\r\nHost: h\r\n\r\n"));
    const auto reply = client.readReply(30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 405);
    EXPECT_TRUE(reply->head.contains("\r\nAllow: POST")) << reply->head.toStdString();
}

// libmicrohttpd reads a line starting with NUL as empty and waits for a request line; the
// wrapper answers at the header timeout.
TEST(HttpServer, AnswersAHeadWithoutARequestLine)
{
    HttpServer::Options options = smallOptions();
    options.headerTimeoutSeconds = 1;
    HttpServer server(options, [](const HttpRequest &, HttpServer::Responder r) { r(ok("x")); });
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send(QByteArray("\0\x01\x02 garbage\r\n\r\n", 14)));
    const auto received = client.readUntilClosed(30s);
    ASSERT_TRUE(received);
    EXPECT_TRUE(received->startsWith("HTTP/1.1 400 Bad Request\r\n")) << received->toStdString();
    EXPECT_EQ(received->count("HTTP/1."), 1);
    // A client that sent nothing is closed without a word.
    RawHttpClient silent(server.port());
    const auto nothing = silent.readUntilClosed(30s);
    ASSERT_TRUE(nothing);
    EXPECT_TRUE(nothing->isEmpty());
}

struct SlowCase
{
    const char *name;
    QByteArray start;
};

class SlowSenderTest : public ::testing::TestWithParam<SlowCase>
{
};

// Cut long before the request timeout (60 s): the head has a second, the body must keep up
// 1 KiB a second after a second's grace.
TEST_P(SlowSenderTest, IsCutByItsOwnDeadline)
{
    HttpServer::Options options = smallOptions();
    options.headerTimeoutSeconds = 1;
    options.requestTimeoutSeconds = 60;
    options.minBodyBytesPerSecond = 1024;
    HttpServer server(options, [](const HttpRequest &, HttpServer::Responder r) { r(ok("x")); });
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send(GetParam().start));
    std::atomic<bool> stop = false;
    std::thread trickler([&] {
        while (!stop && client.send("a"))
            std::this_thread::sleep_for(100ms);
    });
    EXPECT_TRUE(client.waitClosed(30s));
    stop = true;
    trickler.join();
}

INSTANTIATE_TEST_SUITE_P(
    Deadlines, SlowSenderTest,
    ::testing::Values(SlowCase{"head", "POST / HTTP/1.1\r\nHost: h\r\nX-Slow: "},
                      SlowCase{"body",
                               "POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 1000\r\n\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

struct SlotCase
{
    const char *name;
    unsigned connections;
    unsigned perClient;
};

class FullSlotsTest : public ::testing::TestWithParam<SlotCase>
{
};

// Three clients in the middle of their request fill the slots (all of them, or all of one
// address's); a fourth is served, and the one that has been sending longest made room for it.
TEST_P(FullSlotsTest, TheLongestSenderMakesRoom)
{
    HttpServer::Options options = smallOptions();
    options.requestTimeoutSeconds = 60;
    options.headerTimeoutSeconds = 60;
    options.connectionLimit = GetParam().connections;
    options.perClientConnectionLimit = GetParam().perClient;
    HttpServer server(options, [](const HttpRequest &, HttpServer::Responder r) { r(ok("x")); });
    ASSERT_TRUE(server.start());
    std::vector<std::unique_ptr<RawHttpClient>> senders;
    for (const char *start :
         {"POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 10\r\n\r\nab",
          "POST / HTTP/1.1\r\nHost: h\r\nX-Slow: ", "POST / HTTP/1.1\r\nHost: h\r\nX-Slow: "}) {
        senders.push_back(std::make_unique<RawHttpClient>(server.port()));
        ASSERT_TRUE(senders.back()->send(start));
        std::this_thread::sleep_for(100ms);
    }
    // Heads still coming go before bodies: the second client, not the first.
    const auto reply = post(server.port(), "/", "{}", 30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "x");
    EXPECT_TRUE(senders[1]->waitClosed(30s));
    EXPECT_FALSE(senders[0]->waitClosed(200ms));
    EXPECT_FALSE(senders[2]->waitClosed(200ms));
}

INSTANTIATE_TEST_SUITE_P(Limits, FullSlotsTest,
                         ::testing::Values(SlotCase{"everySlot", 3, 0},
                                           SlotCase{"everySlotOfTheAddress", 64, 3}),
                         [](const auto &info) { return std::string(info.param.name); });

// A client whose request is in is never the one to go: with both slots waiting for their
// replies, a newcomer is turned away and the two are still answered.
TEST(HttpServer, RequestsWaitingForTheirReplyKeepTheirSlots)
{
    HeldRequests held;
    HttpServer::Options options = smallOptions();
    options.connectionLimit = 2;
    HttpServer server(options, held.handler());
    ASSERT_TRUE(server.start());
    RawHttpClient first(server.port()), second(server.port());
    ASSERT_TRUE(first.send(RawHttpClient::postRequest("/", "{}")));
    ASSERT_TRUE(second.send(RawHttpClient::postRequest("/", "{}")));
    ASSERT_TRUE(held.waitFor(2));
    RawHttpClient third(server.port());
    third.send(RawHttpClient::postRequest("/", "{}"));
    EXPECT_TRUE(third.waitClosed(30s));
    held.take(0)(ok("one"));
    held.take(1)(ok("two"));
    EXPECT_TRUE(first.readReply(30s));
    EXPECT_TRUE(second.readReply(30s));
}

TEST(HttpServer, CutsOffAClientThatTricklesItsRequest)
{
    HttpServer server(smallOptions(),
                      [](const HttpRequest &, HttpServer::Responder r) { r(ok("x")); });
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send("POST / HTTP/1.1\r\nHost: h\r\nContent-Length: 100\r\n\r\n"));
    std::atomic<bool> stop = false;
    std::thread trickler([&] {
        while (!stop && client.send("a"))
            std::this_thread::sleep_for(300ms);
    });
    // Each byte resets the idle timeout; only the request timeout (2 s) ends this.
    EXPECT_TRUE(client.waitClosed(30s));
    stop = true;
    trickler.join();
}

TEST(HttpServer, BoundsTheHeaders)
{
    HttpServer server(smallOptions(),
                      [](const HttpRequest &, HttpServer::Responder r) { r(ok("x")); });
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    QByteArray request = "GET / HTTP/1.1\r\nHost: h\r\n";
    for (int i = 0; i < 10000; ++i)
        request += "X-" + QByteArray::number(i) + ": v\r\n";
    client.send(request + "\r\n");
    const auto reply = client.readReply(30s);
    if (reply)
        EXPECT_GE(reply->status, 400);
    else
        EXPECT_TRUE(client.waitClosed(30s));
}

TEST(HttpServer, StopAnswersWaitingRequestsWith503)
{
    HeldRequests held;
    auto server = std::make_unique<HttpServer>(smallOptions(), held.handler());
    ASSERT_TRUE(server->start());
    RawHttpClient client(server->port());
    ASSERT_TRUE(client.send(RawHttpClient::postRequest("/", "{}")));
    ASSERT_TRUE(held.waitFor(1));
    std::thread stopper([&] { server->stop(); });
    const auto reply = client.readReply(30s);
    stopper.join();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 503);
    // Answering after the stop, or after the server is gone, does nothing.
    held.take(0)(ok("late"));
    server.reset();
    held.take(0)(ok("later"));
}

TEST(HttpServer, StopAcceptingKeepsServingRequestsInFlight)
{
    HeldRequests held;
    HttpServer server(smallOptions(), held.handler());
    ASSERT_TRUE(server.start());
    RawHttpClient client(server.port());
    ASSERT_TRUE(client.send(RawHttpClient::postRequest("/", "{}")));
    ASSERT_TRUE(held.waitFor(1));
    server.stopAccepting();
    EXPECT_FALSE(RawHttpClient(server.port()).isConnected());
    EXPECT_FALSE(server.waitForRequestsInFlight(100ms));
    held.take(0)(ok("done"));
    const auto reply = client.readReply(30s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->body, "done");
    EXPECT_TRUE(server.waitForRequestsInFlight(30s));
}

TEST(HttpServer, ReportsWhyItCannotListen)
{
    HttpServer first(smallOptions(), [](const HttpRequest &, HttpServer::Responder) {});
    ASSERT_TRUE(first.start());
    HttpServer::Options taken = smallOptions();
    taken.port = first.port();
    HttpServer second(taken, [](const HttpRequest &, HttpServer::Responder) {});
    const Result result = second.start();
    EXPECT_FALSE(result);
    EXPECT_TRUE(result.why.contains("cannot listen")) << result.why.toStdString();
    HttpServer::Options named = smallOptions();
    named.host = "localhost.invalid";
    EXPECT_FALSE(HttpServer(named, [](const HttpRequest &, HttpServer::Responder) {}).start());
}

// --- Making room -----------------------------------------------------------------------------

// The reaper takes libmicrohttpd's connections only as keys: a local socket pair stands in for
// each, the reaper holding one end as the server's and the test the other as the client's.
struct FakeConnection
{
    int server = -1;
    int client = -1;

    FakeConnection()
    {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0) {
            server = ends[0];
            client = ends[1];
        }
    }
    ~FakeConnection()
    {
        ::close(server);
        ::close(client);
    }
    FakeConnection(const FakeConnection &) = delete;
    FakeConnection &operator=(const FakeConnection &) = delete;

    MHD_Connection *key() { return reinterpret_cast<MHD_Connection *>(this); }
    bool sends(const QByteArray &bytes) const
    {
        return ::send(client, bytes.constData(), size_t(bytes.size()), 0) == bytes.size();
    }
    // The reaper has shut the server's end down: the client reads the end of the stream.
    bool isCut() const
    {
        char next = 0;
        return ::recv(client, &next, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
    }
};

struct RoomCase
{
    const char *name;
    // Whole requests that arrived while the server was busy.
    bool oldestUnread;
    bool secondUnread;
    bool oldestCut; // else the second is
};

class MakingRoomTest : public ::testing::TestWithParam<RoomCase>
{
};

// Two slots of one address, both taken by connections still on their heads, and a newcomer:
// the longest sender goes, unless the server has not read what it sent; of those unread, the
// newer goes.
TEST_P(MakingRoomTest, CutsTheLongestSenderWhoseBytesTheServerHasRead)
{
    const RoomCase &c = GetParam();
    FakeConnection oldest, second, newcomer; // outlive the reaper, which shuts their ends down
    SlowClientReaper::Limits limits;
    limits.connections = 2;
    SlowClientReaper reaper(limits);
    const QByteArray request = RawHttpClient::postRequest("/", "{}");
    reaper.opened(oldest.key(), oldest.server, "client");
    ASSERT_TRUE(!c.oldestUnread || oldest.sends(request));
    // Only the order of their starts matters, and the clock must tell them apart.
    std::this_thread::sleep_for(2ms);
    reaper.opened(second.key(), second.server, "client");
    ASSERT_TRUE(!c.secondUnread || second.sends(request));
    std::this_thread::sleep_for(2ms);
    reaper.opened(newcomer.key(), newcomer.server, "client");

    EXPECT_EQ(oldest.isCut(), c.oldestCut);
    EXPECT_EQ(second.isCut(), !c.oldestCut);
    EXPECT_FALSE(newcomer.isCut());
}

INSTANTIATE_TEST_SUITE_P(Slots, MakingRoomTest,
                         ::testing::Values(RoomCase{"nothingUnread", false, false, true},
                                           RoomCase{"oldestUnread", true, false, false},
                                           RoomCase{"secondUnread", false, true, true},
                                           RoomCase{"bothUnread", true, true, false}),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
