#include "SlowClientReaper.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <tuple>
#include <unistd.h>

namespace lumeno {

namespace {

// libmicrohttpd has no answer of its own for this (see the header).
constexpr char kBadRequestLine[] = "HTTP/1.1 400 Bad Request\r\n"
                                   "Connection: close\r\n"
                                   "Content-Type: text/plain; charset=utf-8\r\n"
                                   "Content-Length: 34\r\n"
                                   "\r\n"
                                   "bad request: no HTTP request line\n";

// Bytes the socket has received since it opened.
std::uint64_t bytesReceived(int fd)
{
    tcp_info info{};
    socklen_t size = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0)
        return 0;
    return info.tcpi_bytes_received;
}

// Whether bytes the client sent wait in the socket, unread by libmicrohttpd.
bool unreadBytesWait(int fd)
{
    int waiting = 0;
    return ::ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0;
}

} // namespace

SlowClientReaper::SlowClientReaper(Limits limits) : m_limits(limits), m_thread([this] { run(); }) {}

SlowClientReaper::~SlowClientReaper()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void SlowClientReaper::opened(MHD_Connection *connection, int fd, const QByteArray &address)
{
    std::lock_guard lock(m_mutex);
    Entry entry;
    entry.fd = fd;
    entry.address = address;
    entry.since = Clock::now();
    unsigned live = 0, fromAddress = 0;
    for (const auto &[other, existing] : m_connections)
        if (!existing.cut) {
            ++live;
            fromAddress += existing.address == address ? 1 : 0;
        }
    const bool full = m_limits.connections > 0 && live >= m_limits.connections && !makeRoom({});
    const bool addressFull = !full && m_limits.perAddress > 0 &&
                             fromAddress >= m_limits.perAddress && !makeRoom(address);
    auto &added = m_connections[connection] = std::move(entry);
    if (full || addressFull)
        cut(added);
}

void SlowClientReaper::requestLineRead(MHD_Connection *connection)
{
    std::lock_guard lock(m_mutex);
    if (auto found = m_connections.find(connection); found != m_connections.end())
        found->second.requestLine = true;
}

void SlowClientReaper::headRead(MHD_Connection *connection)
{
    std::lock_guard lock(m_mutex);
    if (auto found = m_connections.find(connection); found != m_connections.end()) {
        found->second.phase = Phase::Body;
        found->second.headAt = Clock::now();
        found->second.bodyBytes = 0;
    }
}

void SlowClientReaper::bodyRead(MHD_Connection *connection, std::size_t bytes)
{
    std::lock_guard lock(m_mutex);
    if (auto found = m_connections.find(connection); found != m_connections.end())
        found->second.bodyBytes += bytes;
}

void SlowClientReaper::requestRead(MHD_Connection *connection)
{
    std::lock_guard lock(m_mutex);
    if (auto found = m_connections.find(connection); found != m_connections.end())
        found->second.phase = Phase::Waiting;
}

void SlowClientReaper::replied(MHD_Connection *connection)
{
    std::lock_guard lock(m_mutex);
    if (auto found = m_connections.find(connection); found != m_connections.end()) {
        Entry &entry = found->second;
        entry.phase = Phase::Head;
        entry.since = Clock::now();
        entry.receivedBefore = bytesReceived(entry.fd);
        entry.requestLine = false;
    }
}

void SlowClientReaper::answeredEarly(MHD_Connection *connection)
{
    std::lock_guard lock(m_mutex);
    if (auto found = m_connections.find(connection); found != m_connections.end())
        found->second.lingers = true;
}

void SlowClientReaper::closed(MHD_Connection *connection)
{
    {
        std::lock_guard lock(m_mutex);
        auto found = m_connections.find(connection);
        if (found == m_connections.end())
            return;
        Entry entry = found->second;
        m_connections.erase(found);
        if (!entry.cut)
            answerBadRequestLine(entry);
        if (!entry.lingers)
            return;
        // Past this many, lingering would itself hold the server's descriptors.
        if (m_lingering.size() >= std::max(1u, m_limits.connections))
            return;
        // libmicrohttpd closes its descriptor right after this; the copy keeps the socket.
        const int copy = ::fcntl(entry.fd, F_DUPFD_CLOEXEC, 0);
        if (copy < 0)
            return;
        // The answer is out; the end of the stream follows it.
        ::shutdown(copy, SHUT_WR);
        m_lingering.push_back({copy, Clock::now() + m_limits.linger});
    }
    m_wake.notify_all();
}

void SlowClientReaper::cut(Entry &entry)
{
    answerBadRequestLine(entry);
    entry.cut = true;
    ::shutdown(entry.fd, SHUT_RDWR);
}

void SlowClientReaper::answerBadRequestLine(Entry &entry)
{
    if (entry.phase != Phase::Head || entry.requestLine ||
        bytesReceived(entry.fd) <= entry.receivedBefore)
        return;
    // Nothing to say to a client that has gone.
    char next = 0;
    if (::recv(entry.fd, &next, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
        return;
    if (::send(entry.fd, kBadRequestLine, sizeof kBadRequestLine - 1, MSG_NOSIGNAL | MSG_DONTWAIT) >
        0)
        entry.lingers = true;
}

bool SlowClientReaper::tooSlow(const Entry &entry, Clock::time_point now) const
{
    if (entry.phase == Phase::Waiting)
        return false;
    if (now - entry.since > m_limits.request)
        return true;
    if (entry.phase == Phase::Head)
        return now - entry.since > m_limits.header;
    const auto late = now - entry.headAt - m_limits.header;
    if (late <= Clock::duration::zero())
        return false;
    const double due = std::chrono::duration<double>(late).count() *
                       static_cast<double>(m_limits.minBodyBytesPerSecond);
    return static_cast<double>(entry.bodyBytes) < due;
}

bool SlowClientReaper::makeRoom(const QByteArray &address)
{
    Entry *victim = nullptr;
    // Those still sending their head first, then those sending their body; the longest first.
    // A connection whose bytes wait unread is one the server has fallen behind, not a slow
    // client: those go last, and the newest of them first, as a queue is served. On a loaded
    // machine a burst of a flood's reconnections, accepted before anything else is read, would
    // otherwise cut a whole request that came just before it.
    auto rank = [](const Entry &entry) {
        const bool unread = unreadBytesWait(entry.fd);
        const auto started = entry.since.time_since_epoch().count();
        return std::tuple(unread, entry.phase != Phase::Head, unread ? -started : started);
    };
    decltype(rank(Entry{})) victimRank;
    for (auto &[connection, entry] : m_connections) {
        if (entry.cut || entry.phase == Phase::Waiting ||
            (!address.isEmpty() && entry.address != address))
            continue;
        if (const auto entryRank = rank(entry); !victim || entryRank < victimRank) {
            victim = &entry;
            victimRank = entryRank;
        }
    }
    if (!victim)
        return false;
    cut(*victim);
    return true;
}

void SlowClientReaper::drain(std::vector<Lingering> &lingering) const
{
    std::vector<pollfd> watched;
    for (const Lingering &each : lingering)
        watched.push_back({each.fd, POLLIN, 0});
    ::poll(watched.data(), watched.size(), 100);
    const Clock::time_point now = Clock::now();
    std::vector<Lingering> still;
    for (size_t i = 0; i < lingering.size(); ++i) {
        bool done = now >= lingering[i].until;
        char sink[65536];
        while (!done && (watched[i].revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::recv(lingering[i].fd, sink, sizeof sink, MSG_DONTWAIT);
            if (n > 0)
                continue;
            done = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
            break;
        }
        if (done)
            ::close(lingering[i].fd);
        else
            still.push_back(lingering[i]);
    }
    lingering = std::move(still);
}

void SlowClientReaper::run()
{
    std::vector<Lingering> lingering;
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (lingering.empty() && m_lingering.empty())
            m_wake.wait_for(lock, std::chrono::milliseconds(250));
        lingering.insert(lingering.end(), m_lingering.begin(), m_lingering.end());
        m_lingering.clear();
        const Clock::time_point now = Clock::now();
        for (auto &[connection, entry] : m_connections)
            if (!entry.cut && tooSlow(entry, now))
                cut(entry);
        if (!lingering.empty()) {
            lock.unlock();
            drain(lingering);
            lock.lock();
        }
    }
    for (const Lingering &each : lingering)
        ::close(each.fd);
    for (const Lingering &each : m_lingering)
        ::close(each.fd);
}

} // namespace lumeno
