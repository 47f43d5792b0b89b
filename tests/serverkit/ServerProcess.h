#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <chrono>

namespace lumeno::testkit {

// Runs the built lumeno-ocr-server on 127.0.0.1 with a free port and stops it (SIGTERM, then
// SIGKILL) when it goes out of scope.
class ServerProcess
{
public:
    // `program` is the built server unless another is named (a baseline in the bench).
    explicit ServerProcess(
        QStringList extraArguments = {},
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment(),
        const QString &program = binaryPath());
    ~ServerProcess();
    ServerProcess(const ServerProcess &) = delete;
    ServerProcess &operator=(const ServerProcess &) = delete;

    // Waits for the "listening on" line; false when the process ends or stays silent.
    bool waitReady(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }
    // Everything printed so far, on both streams.
    QByteArray output();
    // Sends SIGTERM and waits for the exit; returns the exit code, or -1 when it did not end.
    int terminate(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Resident memory now and at its peak, in KiB, from /proc; -1 when it cannot be read.
    qint64 residentKiB() const { return statusKiB("VmRSS:"); }
    qint64 peakResidentKiB() const { return statusKiB("VmHWM:"); }

    static QString binaryPath();

private:
    qint64 statusKiB(const QByteArray &field) const;

    QProcess m_process;
    QByteArray m_output;
    quint16 m_port = 0;
};

} // namespace lumeno::testkit
