#include "ServerOptions.h"

#include "Version.h"

#include <QCommandLineParser>
#include <thread>

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

ServerOptions::Parsed ServerOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Recognises the text of PNG and JPEG images sent over HTTP, with Tesseract."));
    const QCommandLineOption help({"h", "help"}, QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({"v", "version"},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption host("host",
                                  QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                  QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port("port",
                                  QStringLiteral("Port to listen on, 0 for any free one "
                                                 "(default 18765)."),
                                  QStringLiteral("port"), QStringLiteral("18765"));
    const QCommandLineOption workers("workers",
                                     QStringLiteral("Recognition workers (default one per core)."),
                                     QStringLiteral("N"));
    const QCommandLineOption queue(
        "queue",
        QStringLiteral("Requests that may wait for a worker before the server answers busy "
                       "(default twice the workers)."),
        QStringLiteral("N"));
    const QCommandLineOption tessdata(
        "tessdata",
        QStringLiteral("Folder of Tesseract language data (default $TESSDATA_PREFIX, "
                       "else Debian's)."),
        QStringLiteral("DIR"));
    parser.addOptions({help, version, host, port, workers, queue, tessdata});

    Parsed parsed;
    auto mistake = [&](const QString &why) {
        parsed.text = why + QStringLiteral("\n\n") + parser.helpText();
        parsed.exitCode = 2;
        return parsed;
    };
    if (!parser.parse(arguments))
        return mistake(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return mistake(
            QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));
    if (parser.isSet(help)) {
        parsed.text = parser.helpText();
        return parsed;
    }
    if (parser.isSet(version)) {
        parsed.text = QStringLiteral("lumeno-ocr-server %1\n").arg(QLatin1String(kVersion));
        return parsed;
    }

    ServerOptions options;
    options.host = parser.value(host);
    const auto portNumber = number(parser.value(port), 0, 65535);
    if (!portNumber)
        return mistake(QStringLiteral("--port must be a number from 0 to 65535"));
    options.port = static_cast<quint16>(*portNumber);
    options.workers = std::max(1u, std::thread::hardware_concurrency());
    if (parser.isSet(workers)) {
        const auto value = number(parser.value(workers), 1, 256);
        if (!value)
            return mistake(QStringLiteral("--workers must be a number from 1 to 256"));
        options.workers = *value;
    }
    options.queue = 2 * options.workers;
    if (parser.isSet(queue)) {
        const auto value = number(parser.value(queue), 0, 4096);
        if (!value)
            return mistake(QStringLiteral("--queue must be a number from 0 to 4096"));
        options.queue = *value;
    }
    options.tessdata = parser.value(tessdata);
    parsed.options = options;
    return parsed;
}

} // namespace lumeno
