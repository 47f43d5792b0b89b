#pragma once

#include "Result.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

struct MHD_Daemon;

namespace lumeno {

struct HttpRequest
{
    QByteArray method;
    QByteArray path;   // without the query
    QByteArray rawUri; // exactly as the client sent it, query included
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // The first header of that name, compared without regard to case.
    QByteArray header(const QByteArray &name) const;
};

struct HttpResponse
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json; charset=utf-8";
    QList<QPair<QByteArray, QByteArray>> headers = {}; // beyond the content type
};

// A small HTTP/1.1 server on libmicrohttpd. Requests are read on the library's own threads; the
// handler gets the whole request and answers through the Responder, at once or later from any
// thread (the connection waits, suspended, without holding a thread).
class HttpServer
{
public:
    // Call exactly once; later calls, and calls after the server stopped, do nothing.
    using Responder = std::function<void(HttpResponse)>;
    using Handler = std::function<void(const HttpRequest &, Responder)>;

    struct Options
    {
        QString host = QStringLiteral("127.0.0.1");
        quint16 port = 0; // 0 picks a free port; port() tells which
        unsigned ioThreads = 2;
        // Open connections. When all are taken, the one that has been sending its request
        // longest is cut to make room; one whose request has arrived is never cut.
        unsigned connectionLimit = 64;
        // The same, for the connections of one client address; 0 means no limit of its own.
        unsigned perClientConnectionLimit = 32;
        // A connection that sends nothing for this long is closed: a backstop behind the header
        // and request timeouts, which come first so that a garbled head can still be answered.
        unsigned idleTimeoutSeconds = 40;
        // The request line and headers must arrive within this many seconds of the connection
        // opening (or of its previous reply).
        unsigned headerTimeoutSeconds = 5;
        // The whole request must arrive within this many seconds, however steadily a client
        // trickles bytes: the idle timeout alone never trips for a client sending one byte a
        // second.
        unsigned requestTimeoutSeconds = 30;
        // Once its headers are in, a body must keep up this rate, after a grace of the header
        // timeout; 0 means no rate of its own.
        size_t minBodyBytesPerSecond = 16 * 1024;
        // Request line and headers must fit in this, so it bounds their size and count.
        size_t connectionMemoryLimit = 64 * 1024;
        size_t maxBodyBytes = 8 * 1024 * 1024;
        // Sent when a body is over maxBodyBytes, before the rest of it is read; the connection
        // closes after it.
        HttpResponse bodyTooLarge{413, "request body too large\n", "text/plain; charset=utf-8"};
        // Bytes of request bodies the server may hold at once, over every connection: a body
        // is held from its headers (or its first bytes, without a Content-Length) until its
        // request is answered or its connection closes. 0 means no total of its own; below
        // maxBodyBytes, the largest bodies would always be busy.
        size_t maxBufferedBodyBytes = 0;
        // Sent, as bodyTooLarge is, for a body that would pass maxBufferedBodyBytes.
        HttpResponse busy{503, "server busy\n", "text/plain; charset=utf-8"};
    };

    HttpServer(Options options, Handler handler);
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    Result start();
    // Answers requests still waiting with 503, then closes every connection.
    void stop();
    // Closes the listening socket; connections already open are still served.
    void stopAccepting();
    // Waits until no request is being read or waiting for its reply. False on timeout.
    bool waitForRequestsInFlight(std::chrono::milliseconds timeout);
    quint16 port() const { return m_port; }
    QString host() const { return m_options.host; }
    // Bytes of request bodies held now, over every connection, as maxBufferedBodyBytes counts.
    size_t bufferedBodyBytes() const;

    struct Connection;

private:
    friend struct HttpServerCallbacks;

    Options m_options;
    Handler m_handler;
    MHD_Daemon *m_daemon = nullptr;
    quint16 m_port = 0;
    int m_quiescedListener = -1; // closed by stop(), after the daemon's threads are gone
    std::shared_ptr<struct HttpServerRegistry> m_registry;
    std::unique_ptr<class SlowClientReaper> m_reaper;
};

} // namespace lumeno
