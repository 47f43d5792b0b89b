#include "ServerSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <unistd.h>

namespace lumeno {

namespace {

// A whole-number option: its name, what --help says, its range and where it goes.
struct NumberOption
{
    const char *name;
    const char *help;
    unsigned minimum;
    unsigned maximum;
    unsigned ServerSettings::*field;
    const char *valueName = "N";
};

const NumberOption kNumbers[] = {
    {"port", "Port to listen on, 0 for any free one (default 18765).", 0, 65535,
     &ServerSettings::port, "port"},
    {"workers", "Recognition workers (default one per core).", 1, 256, &ServerSettings::workers},
    {"workers-per-request",
     "Workers that one request may keep busy at once; the others stay free for other clients "
     "(default half the workers).",
     1, 256, &ServerSettings::workersPerRequest},
    {"request-timeout", "Seconds a client has to send a whole request (default 30).", 1, 3600,
     &ServerSettings::requestTimeoutSeconds, "seconds"},
    {"header-timeout",
     "Seconds a client has to send the request line and headers (default 5, at most the "
     "request timeout).",
     1, 3600, &ServerSettings::headerTimeoutSeconds, "seconds"},
    {"min-body-rate",
     "KiB a second that a request body must keep up once its headers are in, after the header "
     "timeout's grace; 0 for none (default 16).",
     0, 1024 * 1024, &ServerSettings::minBodyKiBPerSecond, "KiB"},
    {"max-connections",
     "Open connections; when all are taken, the one that has been sending its request longest "
     "makes room (default 64).",
     1, 65536, &ServerSettings::maxConnections},
    {"max-connections-per-client",
     "Open connections of one client address, handled the same way; 0 for no limit of its own "
     "(default 32).",
     0, 65536, &ServerSettings::maxConnectionsPerClient},
    {"memory-budget",
     "MiB that the requests in hand may cost at once, from parsing to the last piece read; "
     "others wait in the queue (default a quarter of the memory).",
     64, 16 * 1024 * 1024, &ServerSettings::memoryBudgetMiB, "MiB"},
};

std::optional<unsigned> number(const QString &text, unsigned minimum, unsigned maximum)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

// A memory.max file's limit in bytes; nullopt when it is missing or says "max".
std::optional<std::size_t> limitIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = file.readAll().trimmed().toULongLong(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<std::size_t>(value);
}

// The process's group in the cgroup v2 hierarchy, from the line "0::/path", as the segments
// of its path. A path that climbs out of the mount (a group outside our cgroup namespace) is
// read as its root, the only group of it that can be found there.
QStringList ownControlGroup(const QString &selfCgroup)
{
    QFile file(selfCgroup);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (!line.startsWith("0::"))
            continue;
        const QStringList segments =
            QString::fromUtf8(line.mid(3)).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        if (segments.contains(QStringLiteral("..")) || segments.contains(QStringLiteral(".")))
            return {};
        return segments;
    }
    return {};
}

// Bytes the process may use: the machine's memory, or its control groups' limit when lower.
std::size_t usableMemory()
{
    const std::size_t bytes = static_cast<std::size_t>(sysconf(_SC_PHYS_PAGES)) *
                              static_cast<std::size_t>(sysconf(_SC_PAGE_SIZE));
    const auto limit = ServerSettings::controlGroupMemoryLimit();
    return limit ? std::min(bytes, *limit) : bytes;
}

} // namespace

std::size_t ServerSettings::memoryBudgetBytes() const
{
    constexpr std::size_t kMiB = 1024 * 1024;
    if (memoryBudgetMiB > 0)
        return memoryBudgetMiB * kMiB;
    return std::max(usableMemory() / 4, 256 * kMiB);
}

std::optional<std::size_t> ServerSettings::controlGroupMemoryLimit(const QString &selfCgroup,
                                                                   const QString &cgroupMount)
{
    // A service's limit is often set on a group above the process's own (its slice, or a
    // container's group around a nested one); the lowest along the path is the one that binds.
    QStringList group = ownControlGroup(selfCgroup);
    std::optional<std::size_t> lowest;
    for (;;) {
        const QString folder = group.isEmpty()
                                   ? cgroupMount
                                   : cgroupMount + QLatin1Char('/') + group.join(QLatin1Char('/'));
        if (const auto limit = limitIn(folder + QStringLiteral("/memory.max")))
            lowest = std::min(lowest.value_or(*limit), *limit);
        if (group.isEmpty())
            return lowest;
        group.removeLast();
    }
}

std::variant<ServerSettings, ServerSettings::Done, ServerSettings::Error>
ServerSettings::fromArguments(const QStringList &arguments)
{
    ServerSettings settings;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Recognises the text of screen captures for Lumeno OCR over HTTP, with Tesseract."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption host(QStringLiteral("host"),
                                  QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                  QStringLiteral("address"), settings.host);
    const QCommandLineOption queue(QStringLiteral("queue"),
                                   QStringLiteral("Requests that may wait while every worker is "
                                                  "busy; more are refused at once (default two "
                                                  "per worker)."),
                                   QStringLiteral("N"));
    const QCommandLineOption tessdata(QStringLiteral("tessdata"),
                                      QStringLiteral("Folder of the Tesseract language data "
                                                     "(default $TESSDATA_PREFIX, else Debian's)."),
                                      QStringLiteral("DIR"));
    parser.addOptions({host, queue, tessdata});
    for (const NumberOption &number : kNumbers)
        parser.addOption(QCommandLineOption(QLatin1String(number.name),
                                            QString::fromLatin1(number.help),
                                            QLatin1String(number.valueName)));

    if (!parser.parse(arguments))
        return Error{parser.errorText()};
    if (!parser.positionalArguments().isEmpty())
        return Error{QStringLiteral("unexpected argument: %1")
                         .arg(parser.positionalArguments().constFirst())};
    if (parser.isSet(help))
        return Done{parser.helpText()};
    if (parser.isSet(version))
        return Done{QCoreApplication::applicationName() + QLatin1Char(' ') +
                    QCoreApplication::applicationVersion() + QLatin1Char('\n')};

    settings.host = parser.value(host);
    settings.tessdata = parser.value(tessdata);
    for (const NumberOption &option : kNumbers) {
        const QString name = QLatin1String(option.name);
        if (!parser.isSet(name))
            continue;
        const auto value = number(parser.value(name), option.minimum, option.maximum);
        if (!value)
            return Error{QStringLiteral("--%1 must be a number from %2 to %3")
                             .arg(name)
                             .arg(option.minimum)
                             .arg(option.maximum)};
        settings.*option.field = *value;
    }
    if (parser.isSet(queue)) {
        const auto value = number(parser.value(queue), 0, 4096);
        if (!value)
            return Error{QStringLiteral("--queue must be a number from 0 to 4096")};
        settings.queue = static_cast<int>(*value);
    }
    settings.headerTimeoutSeconds =
        std::min(settings.headerTimeoutSeconds, settings.requestTimeoutSeconds);
    return settings;
}

} // namespace lumeno
