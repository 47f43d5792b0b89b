#pragma once

#include "Result.h"

#include <QObject>
#include <QSocketNotifier>
#include <array>
#include <csignal>
#include <memory>

namespace lumeno {

// SIGTERM (log-out, kill), SIGINT (Ctrl+C in a terminal) and SIGHUP (the terminal gone) brought
// to the main thread as a Qt signal, so that the program can leave its event loop and destroy
// what it owns as on "Quit" instead of dying inside whatever it was doing. A signal handler may
// only call async-signal-safe functions: it writes the signal's number into a pipe, and a socket
// notifier reads it in the event loop. A pipe rather than signalfd: signalfd needs the signals
// blocked, and a blocked mask would pass to the children QProcess starts.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    static constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

    explicit TerminationSignals(QObject *parent = nullptr);
    // Gives the signals back the handlers they had before install().
    ~TerminationSignals() override;

    // Takes the signals over. One object at a time can hold them, since a handler reaches its
    // pipe through a global; a second one fails, as does a process out of file descriptors.
    Result install();

signals:
    // In the event loop, once for each signal that arrived.
    void received(int signalNumber);

private:
    void readPending();
    void release();

    int m_readEnd = -1;
    int m_writeEnd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::array<struct sigaction, kSignals.size()> m_previous{};
    bool m_installed = false;
};

} // namespace lumeno
