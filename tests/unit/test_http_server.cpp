// The libmicrohttpd wrapper, in process, against raw sockets on 127.0.0.1.

#include "HttpServer.h"
#include "RawHttpClient.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

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
        OversizeCase{"chunked", "POST / HTTP/1.1\r\nHost: h\r\nTransfer-Encoding: chunked\r\n\r\n",
                     "800\r\n" + QByteArray(2048, 'a') + "\r\n", false}),
    [](const auto &info) { return std::string(info.param.name); });

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

} // namespace
