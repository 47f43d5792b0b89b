#pragma once

#include "HttpServer.h"
#include "Result.h"

#include <QByteArray>
#include <QList>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace lumeno::test {

// A loopback HTTP server for tests: listens on 127.0.0.1 at a free port, records every request
// and answers each with the canned reply, with what the reply function makes of the request, or
// not at all (silent), so that a client's time-out can be seen. Requests held by silence are
// answered 503 when the server stops.
class FakeHttpServer
{
public:
    using ReplyFunction = std::function<HttpResponse(const HttpRequest &)>;

    FakeHttpServer();
    ~FakeHttpServer();

    Result start();
    void stop();
    quint16 port() const;
    // http://127.0.0.1:<port>, usable as a base address.
    QUrl baseUrl() const;

    // These may be changed while the server runs; they apply to the next request.
    void setReply(int status, QByteArray body,
                  QByteArray contentType = "application/json; charset=utf-8");
    void setReplyFunction(ReplyFunction function);
    void setSilent(bool silent);

    std::vector<HttpRequest> requests() const;
    // Blocks until at least count requests came in, without running the caller's events. False
    // on timeout.
    bool waitForRequests(size_t count, std::chrono::milliseconds timeout) const;

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<HttpServer> m_server;
};

} // namespace lumeno::test
