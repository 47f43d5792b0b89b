#include "RawHttpClient.h"

#include <QList>
#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lumeno::testkit {

namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

RawHttpClient::RawHttpClient(quint16 port)
{
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

RawHttpClient::~RawHttpClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawHttpClient::send(const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (m_fd >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.constData() + sent,
                                 static_cast<size_t>(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return m_fd >= 0;
}

std::optional<RawReply> RawHttpClient::readReply(std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    auto complete = [this]() -> std::optional<RawReply> {
        const qsizetype headEnd = m_pending.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return std::nullopt;
        RawReply reply;
        reply.head = m_pending.left(headEnd);
        const QList<QByteArray> lines = reply.head.split('\n');
        reply.status = lines.value(0).split(' ').value(1).toInt();
        qsizetype length = 0;
        for (const QByteArray &line : lines) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
                length = line.mid(colon + 1).trimmed().toLongLong();
        }
        if (m_pending.size() < headEnd + 4 + length)
            return std::nullopt;
        reply.body = m_pending.mid(headEnd + 4, length);
        m_pending.remove(0, headEnd + 4 + length);
        return reply;
    };
    while (m_fd >= 0) {
        if (auto reply = complete())
            return reply;
        pollfd waiting{m_fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char buffer[65536];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return std::nullopt;
        m_pending.append(buffer, n);
    }
    return std::nullopt;
}

bool RawHttpClient::waitClosed(std::chrono::milliseconds timeout)
{
    return readUntilClosed(timeout).has_value();
}

std::optional<QByteArray> RawHttpClient::readUntilClosed(std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    QByteArray received = std::exchange(m_pending, {});
    while (m_fd >= 0) {
        pollfd waiting{m_fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return std::nullopt;
        char buffer[65536];
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return received;
        received.append(buffer, n);
    }
    return received;
}

QByteArray RawHttpClient::postRequest(const QByteArray &path, const QByteArray &body,
                                      const QByteArray &method)
{
    return method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
           "Content-Type: application/json; charset=utf-8\r\n" +
           "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

std::optional<RawReply> post(quint16 port, const QByteArray &path, const QByteArray &body,
                             std::chrono::milliseconds timeout)
{
    RawHttpClient client(port);
    if (!client.send(RawHttpClient::postRequest(path, body)))
        return std::nullopt;
    return client.readReply(timeout);
}

} // namespace lumeno::testkit
