#include "HttpServer.h"

#include "SlowClientReaper.h"

#include <arpa/inet.h>
#include <atomic>
#include <condition_variable>
#include <microhttpd.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_set>
#include <utility>

namespace lumeno {

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

// One request in flight. Shared between libmicrohttpd's threads and whoever holds the
// Responder, which may answer after the connection is gone.
struct HttpServer::Connection
{
    std::mutex mutex;
    MHD_Connection *connection = nullptr;
    HttpRequest request;
    bool dispatched = false;
    bool answeredEarly = false; // before its body was read
    // Set when the rest of its body is read and dropped; this answers once it has ended.
    const HttpResponse *dropped = nullptr;
    // Its share of the registry's bodyBytes. Only the connection's daemon thread touches it.
    size_t heldBytes = 0;
    bool suspended = false;
    bool closed = false;
    std::optional<HttpResponse> response;

    // Returns false when the connection was already answered or closed.
    bool answer(HttpResponse reply)
    {
        std::lock_guard lock(mutex);
        if (closed || response)
            return false;
        response = std::move(reply);
        if (suspended) {
            suspended = false;
            MHD_resume_connection(connection);
        }
        return true;
    }
};

struct HttpServerRegistry
{
    std::mutex mutex;
    std::condition_variable emptied;
    std::unordered_set<std::shared_ptr<HttpServer::Connection>> live;
    std::atomic<size_t> bodyBytes = 0; // held by the requests in `live`
};

namespace {

HttpResponse plainText(int status, const char *text)
{
    return {status, QByteArray(text) + '\n', "text/plain; charset=utf-8"};
}

// The peer's IP address, without the port: what the per-client limit counts by.
QByteArray clientAddress(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return {};
    if (info->client_addr->sa_family == AF_INET6) {
        const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(info->client_addr);
        return QByteArray(reinterpret_cast<const char *>(&v6->sin6_addr), sizeof v6->sin6_addr);
    }
    const auto *v4 = reinterpret_cast<const sockaddr_in *>(info->client_addr);
    return QByteArray(reinterpret_cast<const char *>(&v4->sin_addr), sizeof v4->sin_addr);
}

} // namespace

struct HttpServerCallbacks
{
    static void *onUri(void *cls, const char *uri, MHD_Connection *connection)
    {
        auto *server = static_cast<HttpServer *>(cls);
        server->m_reaper->requestLineRead(connection);
        auto state = std::make_shared<HttpServer::Connection>();
        state->connection = connection;
        state->request.rawUri = uri;
        {
            std::lock_guard lock(server->m_registry->mutex);
            server->m_registry->live.insert(state);
        }
        return new std::shared_ptr<HttpServer::Connection>(std::move(state));
    }

    static void onConnection(void *cls, MHD_Connection *connection, void **,
                             MHD_ConnectionNotificationCode code)
    {
        auto *server = static_cast<HttpServer *>(cls);
        if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
            server->m_reaper->closed(connection);
            return;
        }
        if (const MHD_ConnectionInfo *info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD))
            server->m_reaper->opened(connection, info->connect_fd, clientAddress(connection));
    }

    static void onCompleted(void *cls, MHD_Connection *connection, void **connectionContext,
                            MHD_RequestTerminationCode)
    {
        auto *server = static_cast<HttpServer *>(cls);
        server->m_reaper->replied(connection);
        auto *holder = static_cast<std::shared_ptr<HttpServer::Connection> *>(*connectionContext);
        if (!holder)
            return;
        // Answered, cut or closed by the client at any point of its request: either way its
        // body's bytes are no longer the server's to hold.
        releaseBody(*server, **holder);
        {
            std::lock_guard lock((*holder)->mutex);
            (*holder)->closed = true;
        }
        {
            std::lock_guard lock(server->m_registry->mutex);
            server->m_registry->live.erase(*holder);
            if (server->m_registry->live.empty())
                server->m_registry->emptied.notify_all();
        }
        delete holder;
        *connectionContext = nullptr;
    }

    static MHD_Result collectHeader(void *cls, MHD_ValueKind, const char *key, const char *value)
    {
        static_cast<HttpRequest *>(cls)->headers.append(
            qMakePair(QByteArray(key), QByteArray(value ? value : "")));
        return MHD_YES;
    }

    static MHD_Result queue(MHD_Connection *connection, const HttpResponse &reply)
    {
        MHD_Response *response = MHD_create_response_from_buffer(
            static_cast<size_t>(reply.body.size()), const_cast<char *>(reply.body.constData()),
            MHD_RESPMEM_MUST_COPY);
        if (!response)
            return MHD_NO;
        if (!reply.contentType.isEmpty())
            MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                                    reply.contentType.constData());
        for (const auto &[name, value] : reply.headers)
            MHD_add_response_header(response, name.constData(), value.constData());
        const MHD_Result queued =
            MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
        MHD_destroy_response(response);
        return queued;
    }

    // Answers on the headers alone; libmicrohttpd reads none of the body and closes the
    // connection after the answer, which then lingers so that the client gets to read it.
    static MHD_Result answerEarly(HttpServer &server, HttpServer::Connection &state,
                                  MHD_Connection *connection, const HttpResponse &reply)
    {
        state.answeredEarly = true;
        state.request.body.clear();
        server.m_reaper->answeredEarly(connection);
        return queue(connection, reply);
    }

    // What the headers say about the body before any of it is read: an answer when they
    // already rule the request out.
    static std::optional<HttpResponse> refuseOnHeaders(HttpServer &server,
                                                       HttpServer::Connection &state)
    {
        const HttpRequest &request = state.request;
        // libmicrohttpd 0.9.75 frames the body by the first Content-Length and ignores the
        // others; a proxy in front may have framed it by another one.
        QByteArray length;
        for (const auto &[name, value] : request.headers) {
            if (name.compare("Content-Length", Qt::CaseInsensitive) != 0)
                continue;
            if (!length.isNull() && value.trimmed() != length)
                return plainText(400, "bad request: conflicting Content-Length headers");
            length = value.trimmed();
        }
        bool ok = false;
        const qulonglong declared = length.toULongLong(&ok);
        if (!ok)
            return std::nullopt;
        if (declared > server.m_options.maxBodyBytes)
            return server.m_options.bodyTooLarge;
        // Held for the whole body at once, so that a client cannot send part of a body the
        // server has no room for.
        if (!holdBody(server, state, static_cast<size_t>(declared)))
            return server.m_options.busy;
        return std::nullopt;
    }

    // Counts `bytes` more of the connection's body against the total; false, with nothing
    // counted, when they would pass it.
    static bool holdBody(HttpServer &server, HttpServer::Connection &state, size_t bytes)
    {
        const size_t limit = server.m_options.maxBufferedBodyBytes;
        std::atomic<size_t> &total = server.m_registry->bodyBytes;
        size_t held = total.load();
        do {
            if (limit > 0 && (bytes > limit || held > limit - bytes))
                return false;
        } while (!total.compare_exchange_weak(held, held + bytes));
        state.heldBytes += bytes;
        return true;
    }

    static void releaseBody(HttpServer &server, HttpServer::Connection &state)
    {
        server.m_registry->bodyBytes -= std::exchange(state.heldBytes, 0);
    }

    // libmicrohttpd 0.9.75 takes no answer while it reads a body (MHD_queue_response fails, and
    // the connection would break unanswered), so the rest is dropped as it arrives, within the
    // request timeout and the minimum rate, and answered at its end.
    static void dropBody(HttpServer &server, HttpServer::Connection &state,
                         const HttpResponse &answer)
    {
        state.dropped = &answer;
        state.request.body = QByteArray();
        releaseBody(server, state);
    }

    // A piece of the body: kept, or dropped once the body has passed a limit.
    static void readBody(HttpServer &server, HttpServer::Connection &state, const char *data,
                         size_t size)
    {
        if (state.answeredEarly || state.dropped)
            return;
        const size_t total = static_cast<size_t>(state.request.body.size()) + size;
        // Only a body without a length (chunked) gets here past a limit: a declared one was
        // refused or held whole on its headers.
        if (total > server.m_options.maxBodyBytes)
            return dropBody(server, state, server.m_options.bodyTooLarge);
        if (total > state.heldBytes && !holdBody(server, state, total - state.heldBytes))
            return dropBody(server, state, server.m_options.busy);
        state.request.body.append(data, static_cast<qsizetype>(size));
    }

    static MHD_Result onAccess(void *cls, MHD_Connection *connection, const char *url,
                               const char *method, const char *, const char *uploadData,
                               size_t *uploadSize, void **connectionContext)
    {
        auto *server = static_cast<HttpServer *>(cls);
        auto *holder = static_cast<std::shared_ptr<HttpServer::Connection> *>(*connectionContext);
        if (!holder)
            return MHD_NO;
        HttpServer::Connection &state = **holder;

        if (state.request.method.isEmpty()) {
            // First call: headers only.
            state.request.method = method;
            state.request.path = url;
            MHD_get_connection_values(connection, MHD_HEADER_KIND, &collectHeader, &state.request);
            server->m_reaper->headRead(connection);
            if (const auto refusal = refuseOnHeaders(*server, state))
                return answerEarly(*server, state, connection, *refusal);
            return MHD_YES;
        }
        if (*uploadSize > 0) {
            server->m_reaper->bodyRead(connection, *uploadSize);
            readBody(*server, state, uploadData, std::exchange(*uploadSize, 0));
            return MHD_YES;
        }
        if (state.answeredEarly)
            return MHD_YES;
        if (state.dropped) {
            HttpResponse refusal = *state.dropped;
            refusal.headers.append(qMakePair(QByteArray("Connection"), QByteArray("close")));
            return queue(connection, refusal);
        }
        return dispatch(*server, *holder, connection);
    }

    // The whole request is in: handed to the handler once, then answered or suspended until
    // its answer comes.
    static MHD_Result dispatch(HttpServer &server,
                               const std::shared_ptr<HttpServer::Connection> &holder,
                               MHD_Connection *connection)
    {
        HttpServer::Connection &state = *holder;
        if (!state.dispatched) {
            state.dispatched = true;
            server.m_reaper->requestRead(connection);
            std::weak_ptr<HttpServer::Connection> weak = holder;
            server.m_handler(state.request, [weak](HttpResponse reply) {
                if (auto alive = weak.lock())
                    alive->answer(std::move(reply));
            });
        }
        std::lock_guard lock(state.mutex);
        if (state.response) {
            // Answered: the handler has done with the body, whatever the client does next.
            state.request.body = QByteArray();
            releaseBody(server, state);
            return queue(connection, *state.response);
        }
        state.suspended = true;
        MHD_suspend_connection(connection);
        return MHD_YES;
    }
};

HttpServer::HttpServer(Options options, Handler handler)
    : m_options(std::move(options)), m_handler(std::move(handler)),
      m_registry(std::make_shared<HttpServerRegistry>())
{
}

HttpServer::~HttpServer()
{
    stop();
}

Result HttpServer::start()
{
    if (m_daemon)
        return Result::success();

    sockaddr_storage address{};
    const QByteArray host = m_options.host.toLatin1();
    unsigned ipFlag = 0;
    if (auto *v4 = reinterpret_cast<sockaddr_in *>(&address);
        inet_pton(AF_INET, host.constData(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(m_options.port);
    } else if (auto *v6 = reinterpret_cast<sockaddr_in6 *>(&address);
               inet_pton(AF_INET6, host.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(m_options.port);
        ipFlag = MHD_USE_IPv6;
    } else {
        return Result::failure(
            QStringLiteral("%1 is not an IP address to listen on").arg(m_options.host));
    }

    // The inter-thread channel lets stopAccepting() quiesce the daemon in every polling mode.
    const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_AUTO |
                           MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ITC | ipFlag;
    m_reaper = std::make_unique<SlowClientReaper>(SlowClientReaper::Limits{
        std::chrono::seconds(m_options.headerTimeoutSeconds),
        std::chrono::seconds(m_options.requestTimeoutSeconds), m_options.minBodyBytesPerSecond,
        m_options.connectionLimit, m_options.perClientConnectionLimit});
    // libmicrohttpd's own limits refuse newcomers when full; ours cut a slow client instead, so
    // libmicrohttpd's are set above them, as the bound while a cut connection is still closing.
    const auto hardLimit = [](unsigned limit) { return limit > 0 ? 2 * limit + 8 : 0; };
    // One address gets the whole bound: its live connections are ours to count, and a flood from
    // the tray's own loopback address, cut as fast as it reconnects, would otherwise fill a bound
    // of its own with connections still closing and shut the tray out while the server is busy.
    const unsigned perAddressHardLimit = std::max(hardLimit(m_options.perClientConnectionLimit),
                                                  hardLimit(m_options.connectionLimit));
    m_daemon = MHD_start_daemon(
        flags, m_options.port, nullptr, nullptr, &HttpServerCallbacks::onAccess, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr *>(&address), MHD_OPTION_THREAD_POOL_SIZE,
        std::max(1u, m_options.ioThreads), MHD_OPTION_CONNECTION_LIMIT,
        hardLimit(m_options.connectionLimit), MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        perAddressHardLimit, MHD_OPTION_CONNECTION_TIMEOUT, m_options.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, m_options.connectionMemoryLimit,
        MHD_OPTION_URI_LOG_CALLBACK, &HttpServerCallbacks::onUri, this, MHD_OPTION_NOTIFY_COMPLETED,
        &HttpServerCallbacks::onCompleted, this, MHD_OPTION_NOTIFY_CONNECTION,
        &HttpServerCallbacks::onConnection, this, MHD_OPTION_END);
    if (!m_daemon) {
        m_reaper.reset();
        return Result::failure(
            QStringLiteral("cannot listen on %1 port %2 (in use, or not allowed)")
                .arg(m_options.host)
                .arg(m_options.port));
    }
    const MHD_DaemonInfo *info = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT);
    m_port = info ? info->port : m_options.port;
    return Result::success();
}

void HttpServer::stop()
{
    if (!m_daemon)
        return;
    // libmicrohttpd must not be stopped while connections are suspended.
    std::vector<std::shared_ptr<Connection>> waiting;
    {
        std::lock_guard lock(m_registry->mutex);
        waiting.assign(m_registry->live.begin(), m_registry->live.end());
    }
    for (const auto &connection : waiting)
        connection->answer({503, "server stopping\n", "text/plain; charset=utf-8"});
    // Resumed connections send their reply on the daemon's threads; stopping it at once would
    // drop them unanswered.
    waitForRequestsInFlight(std::chrono::seconds(2));
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    m_reaper.reset();
    // Only now: the daemon's threads may still poll a quiesced listener until they are gone.
    if (m_quiescedListener >= 0) {
        ::close(m_quiescedListener);
        m_quiescedListener = -1;
    }
}

void HttpServer::stopAccepting()
{
    if (!m_daemon)
        return;
    if (m_quiescedListener >= 0)
        return;
    const MHD_socket listener = MHD_quiesce_daemon(m_daemon);
    if (listener == MHD_INVALID_SOCKET)
        return;
    // Shutting a listening socket down makes the kernel refuse new connections at once, where
    // a socket merely left open would queue them unanswered; closing it must wait for stop().
    ::shutdown(listener, SHUT_RDWR);
    m_quiescedListener = listener;
}

size_t HttpServer::bufferedBodyBytes() const
{
    return m_registry->bodyBytes.load();
}

bool HttpServer::waitForRequestsInFlight(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_registry->mutex);
    return m_registry->emptied.wait_for(lock, timeout, [this] { return m_registry->live.empty(); });
}

} // namespace lumeno
