#pragma once

#include <QByteArray>
#include <chrono>
#include <optional>

namespace lumeno::testkit {

struct RawReply
{
    int status = 0;
    QByteArray head; // status line and headers
    QByteArray body;
};

// A blocking HTTP/1.1 client on a plain socket, so that tests can send what no well-behaved
// client would: partial requests, floods of headers, bodies one byte at a time.
class RawHttpClient
{
public:
    explicit RawHttpClient(quint16 port);
    ~RawHttpClient();
    RawHttpClient(const RawHttpClient &) = delete;
    RawHttpClient &operator=(const RawHttpClient &) = delete;

    bool isConnected() const { return m_fd >= 0; }
    // False when the peer has closed or reset the connection.
    bool send(const QByteArray &bytes);
    // Reads one reply with a Content-Length body; nullopt when the connection ends first or
    // nothing complete arrives in time.
    std::optional<RawReply> readReply(std::chrono::milliseconds timeout);
    // True once the peer has closed the connection (end of stream or reset) within the time.
    bool waitClosed(std::chrono::milliseconds timeout);
    // Everything the peer sends until it closes the connection; nullopt when it is still open
    // after the time.
    std::optional<QByteArray> readUntilClosed(std::chrono::milliseconds timeout);

    static QByteArray postRequest(const QByteArray &path, const QByteArray &body,
                                  const QByteArray &method = "POST");

private:
    int m_fd = -1;
    QByteArray m_pending;
};

// One POST on a fresh connection.
std::optional<RawReply> post(quint16 port, const QByteArray &path, const QByteArray &body,
                             std::chrono::milliseconds timeout = std::chrono::seconds(120));

} // namespace lumeno::testkit
