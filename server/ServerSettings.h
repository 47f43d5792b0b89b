#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <optional>
#include <variant>

namespace lumeno {

// The server's command line, read with QCommandLineParser.
struct ServerSettings
{
    QString host = QStringLiteral("127.0.0.1");
    unsigned port = 18765;          // 0 picks a free port
    unsigned workers = 0;           // 0: one per core
    int queue = -1;                 // jobs that may wait; -1: two per worker
    unsigned workersPerRequest = 0; // 0: half the workers, rounded up
    QString tessdata;               // empty: $TESSDATA_PREFIX, else Debian's folder
    unsigned requestTimeoutSeconds = 30;
    unsigned headerTimeoutSeconds = 5;
    unsigned minBodyKiBPerSecond = 16;
    unsigned maxConnections = 64;
    unsigned maxConnectionsPerClient = 32;
    unsigned memoryBudgetMiB = 0; // 0: a quarter of the memory the server may use

    // Done when the arguments asked for --help or --version: print this and exit 0.
    struct Done
    {
        QString text;
    };
    // Bad arguments: print this on standard error and exit 2.
    struct Error
    {
        QString text;
    };
    // Needs QCoreApplication's name and version to be set.
    static std::variant<ServerSettings, Done, Error> fromArguments(const QStringList &arguments);

    // The memory budget in bytes: the one asked for, else a quarter of the machine's memory or
    // of the control group's limit, whichever is less, and at least 256 MiB.
    std::size_t memoryBudgetBytes() const;

    // The lowest memory.max of the process's control group (as `selfCgroup`, in the form of
    // /proc/self/cgroup, names it) and of its ancestors, under the cgroup v2 mount
    // `cgroupMount`; nullopt when none of them sets one. The paths are parameters for tests.
    static std::optional<std::size_t>
    controlGroupMemoryLimit(const QString &selfCgroup = QStringLiteral("/proc/self/cgroup"),
                            const QString &cgroupMount = QStringLiteral("/sys/fs/cgroup"));
};

} // namespace lumeno
