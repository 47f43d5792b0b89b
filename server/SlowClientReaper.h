#pragma once

#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

struct MHD_Connection;

namespace lumeno {

// Keeps slow clients from holding the server's connections. It watches each connection from the
// moment it opens and cuts it when its request head has not arrived within the header timeout,
// when its body falls behind the minimum rate, or when the whole request takes longer than the
// request timeout. When every slot is taken, or every slot of the newcomer's address, the
// connection that has been sending its request longest goes to make room, those with bytes the
// server has not read yet last (the newest of them first); a connection whose request has
// arrived is never cut, however long its reply takes.
//
// Cutting shuts the socket down rather than closing it, so libmicrohttpd sees the end of the
// stream and cleans up on its own thread; the descriptor stays valid because libmicrohttpd
// reports a connection closed (closed(), under the same lock) before it closes the descriptor.
//
// A connection answered before its body was read lingers once libmicrohttpd has closed it: the
// rest of the body is read and dropped for a while, so that the client, still sending, is not
// reset before it has read the answer.
//
// libmicrohttpd 0.9.75 answers a bad request line with nothing: it closes the connection at once
// when it cannot split the line, and waits for another line when the bytes start with a NUL. So
// a connection that sent bytes since its last reply without libmicrohttpd finding a request line
// in them gets a plain 400 from here when it is closed or cut.
class SlowClientReaper
{
public:
    using Clock = std::chrono::steady_clock;

    struct Limits
    {
        std::chrono::seconds header{5};
        std::chrono::seconds request{30};
        // After the header timeout's worth of grace, counted from the end of the head.
        std::size_t minBodyBytesPerSecond = 16 * 1024;
        unsigned connections = 64;
        unsigned perAddress = 0; // 0: no limit of its own
        std::chrono::seconds linger{5};
    };

    explicit SlowClientReaper(Limits limits);
    ~SlowClientReaper();
    SlowClientReaper(const SlowClientReaper &) = delete;
    SlowClientReaper &operator=(const SlowClientReaper &) = delete;

    // A new connection from `address` (the peer's IP address bytes). Cuts another to make room
    // when the slots are full; when none can go, the new connection itself is cut.
    void opened(MHD_Connection *connection, int fd, const QByteArray &address);
    // libmicrohttpd found a request line; what goes wrong from here it answers itself.
    void requestLineRead(MHD_Connection *connection);
    void headRead(MHD_Connection *connection);
    void bodyRead(MHD_Connection *connection, std::size_t bytes);
    // The whole request has arrived: its handler, not the client, is now the slow side.
    void requestRead(MHD_Connection *connection);
    // Replied: the clock starts again for the next request on a kept-alive connection.
    void replied(MHD_Connection *connection);
    // Answered while the client may still be sending its body.
    void answeredEarly(MHD_Connection *connection);
    void closed(MHD_Connection *connection);

private:
    enum class Phase
    {
        Head,
        Body,
        Waiting
    };
    struct Entry
    {
        int fd = -1;
        QByteArray address;
        Phase phase = Phase::Head;
        Clock::time_point since;  // the request's start: the connection's, or the last reply
        Clock::time_point headAt; // when its head had arrived
        std::size_t bodyBytes = 0;
        std::uint64_t receivedBefore = 0; // bytes the socket had received at `since`
        bool requestLine = false;
        bool cut = false; // shut down; gone once libmicrohttpd has closed it
        bool lingers = false;
    };
    struct Lingering
    {
        int fd;
        Clock::time_point until;
    };

    void run();
    // Needs the lock.
    void cut(Entry &entry);
    // Answers 400 when the client sent bytes in which libmicrohttpd found no request line.
    // Needs the lock.
    void answerBadRequestLine(Entry &entry);
    bool tooSlow(const Entry &entry, Clock::time_point now) const;
    // Cuts the connection sending its request longest, among those of `address` when it is not
    // empty; false when every one has its request in. Needs the lock.
    bool makeRoom(const QByteArray &address);
    // Reads and drops what lingering clients still send; closes those done. Without the lock.
    void drain(std::vector<Lingering> &lingering) const;

    const Limits m_limits;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::unordered_map<MHD_Connection *, Entry> m_connections;
    std::vector<Lingering> m_lingering; // handed to the thread, which owns them from then on
    std::thread m_thread;
};

} // namespace lumeno
