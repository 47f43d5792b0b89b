#include "FakeHttpServer.h"

#include <condition_variable>

namespace lumeno::test {

// Written by the tests' thread and read by the server's threads.
struct FakeHttpServer::Shared
{
    mutable std::mutex mutex;
    mutable std::condition_variable arrived;
    std::vector<HttpRequest> requests;
    HttpResponse reply{200, "{}"};
    ReplyFunction function;
    bool silent = false;
    // Kept so that the server, not this object, answers them when it stops.
    std::vector<HttpServer::Responder> held;
};

FakeHttpServer::FakeHttpServer() : m_shared(std::make_shared<Shared>())
{
    HttpServer::Options options;
    options.host = QStringLiteral("127.0.0.1");
    options.port = 0;
    m_server = std::make_unique<HttpServer>(
        options, [shared = m_shared](const HttpRequest &request, HttpServer::Responder respond) {
            std::unique_lock lock(shared->mutex);
            shared->requests.push_back(request);
            shared->arrived.notify_all();
            if (shared->silent) {
                shared->held.push_back(std::move(respond));
                return;
            }
            const ReplyFunction function = shared->function;
            const HttpResponse canned = shared->reply;
            lock.unlock();
            respond(function ? function(request) : canned);
        });
}

FakeHttpServer::~FakeHttpServer()
{
    stop();
}

Result FakeHttpServer::start()
{
    return m_server->start();
}

void FakeHttpServer::stop()
{
    m_server->stop();
    std::lock_guard lock(m_shared->mutex);
    m_shared->held.clear();
}

quint16 FakeHttpServer::port() const
{
    return m_server->port();
}

QUrl FakeHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port()));
}

void FakeHttpServer::setReply(int status, QByteArray body, QByteArray contentType)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->reply = HttpResponse{status, std::move(body), std::move(contentType)};
    m_shared->function = nullptr;
}

void FakeHttpServer::setReplyFunction(ReplyFunction function)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->function = std::move(function);
}

void FakeHttpServer::setSilent(bool silent)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->silent = silent;
}

std::vector<HttpRequest> FakeHttpServer::requests() const
{
    std::lock_guard lock(m_shared->mutex);
    return m_shared->requests;
}

bool FakeHttpServer::waitForRequests(size_t count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(m_shared->mutex);
    return m_shared->arrived.wait_for(lock, timeout,
                                      [&] { return m_shared->requests.size() >= count; });
}

} // namespace lumeno::test
