#include "TerminationSignals.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lumeno {

namespace {

// Read by the handler, which can reach nothing else; -1 while no object holds the signals.
std::atomic<int> g_writeEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may not take a lock");

void onSignal(int signalNumber)
{
    // The handler interrupts code that may be reading errno.
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: with the pipe full, signals already wait to be read and this one is dropped
    // rather than hanging the interrupted thread.
    if (const int fd = g_writeEnd.load(); fd != -1) {
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent) {}

TerminationSignals::~TerminationSignals()
{
    release();
}

Result TerminationSignals::install()
{
    if (m_installed)
        return Result::success();
    int ends[2];
    // Close-on-exec: the server child must not hold the program's pipe.
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return Result::failure(QStringLiteral("no pipe for the termination signals: %1")
                                   .arg(QString::fromLocal8Bit(strerror(errno))));
    if (int free = -1; !g_writeEnd.compare_exchange_strong(free, ends[1])) {
        close(ends[0]);
        close(ends[1]);
        return Result::failure(QStringLiteral("another object handles the termination signals"));
    }
    m_readEnd = ends[0];
    m_writeEnd = ends[1];

    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::readPending);

    struct sigaction action = {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls go on, so no code of ours or Qt's sees a stray EINTR.
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        sigaction(kSignals[i], &action, &m_previous[i]);
    m_installed = true;
    return Result::success();
}

void TerminationSignals::readPending()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = read(m_readEnd, bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
    }
}

void TerminationSignals::release()
{
    if (m_installed) {
        // Handlers first: a signal arriving now must not write into a closed descriptor.
        for (std::size_t i = 0; i < kSignals.size(); ++i)
            sigaction(kSignals[i], &m_previous[i], nullptr);
        g_writeEnd.store(-1);
        m_installed = false;
    }
    m_notifier.reset();
    for (int *fd : {&m_readEnd, &m_writeEnd}) {
        if (*fd != -1)
            close(*fd);
        *fd = -1;
    }
}

} // namespace lumeno
