#include "ServerSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace lumeno {

namespace {

std::optional<unsigned> number(const QString &text, unsigned minimum, unsigned maximum)
{
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

} // namespace

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
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port to listen on, 0 for any free one "
                                                 "(default 18765)."),
                                  QStringLiteral("port"), QString::number(settings.port));
    const QCommandLineOption workers(QStringLiteral("workers"),
                                     QStringLiteral("Recognition workers (default one per core)."),
                                     QStringLiteral("N"));
    const QCommandLineOption queue(QStringLiteral("queue"),
                                   QStringLiteral("Requests that may wait while every worker is "
                                                  "busy; more are refused at once (default two "
                                                  "per worker)."),
                                   QStringLiteral("N"));
    const QCommandLineOption workersPerRequest(
        QStringLiteral("workers-per-request"),
        QStringLiteral("Workers that one request may keep busy at once; the others stay free for "
                       "other clients (default half the workers)."),
        QStringLiteral("N"));
    const QCommandLineOption tessdata(QStringLiteral("tessdata"),
                                      QStringLiteral("Folder of the Tesseract language data "
                                                     "(default $TESSDATA_PREFIX, else Debian's)."),
                                      QStringLiteral("DIR"));
    const QCommandLineOption requestTimeout(
        QStringLiteral("request-timeout"),
        QStringLiteral("Seconds a client has to send a whole request (default 30)."),
        QStringLiteral("seconds"), QString::number(settings.requestTimeoutSeconds));
    parser.addOptions({host, port, workers, queue, workersPerRequest, tessdata, requestTimeout});

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
    const auto portValue = number(parser.value(port), 0, 65535);
    if (!portValue)
        return Error{QStringLiteral("--port must be a number from 0 to 65535")};
    settings.port = static_cast<quint16>(*portValue);
    if (parser.isSet(workers)) {
        const auto value = number(parser.value(workers), 1, 256);
        if (!value)
            return Error{QStringLiteral("--workers must be a number from 1 to 256")};
        settings.workers = *value;
    }
    if (parser.isSet(queue)) {
        const auto value = number(parser.value(queue), 0, 4096);
        if (!value)
            return Error{QStringLiteral("--queue must be a number from 0 to 4096")};
        settings.queue = static_cast<int>(*value);
    }
    if (parser.isSet(workersPerRequest)) {
        const auto value = number(parser.value(workersPerRequest), 1, 256);
        if (!value)
            return Error{QStringLiteral("--workers-per-request must be a number from 1 to 256")};
        settings.workersPerRequest = *value;
    }
    settings.tessdata = parser.value(tessdata);
    const auto timeout = number(parser.value(requestTimeout), 1, 3600);
    if (!timeout)
        return Error{QStringLiteral("--request-timeout must be a number of seconds from 1 to "
                                    "3600")};
    settings.requestTimeoutSeconds = *timeout;
    return settings;
}

} // namespace lumeno
