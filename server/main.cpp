#include "DecoderMessages.h"
#include "HttpServer.h"
#include "LanguageCatalog.h"
#include "OcrService.h"
#include "RecognitionPool.h"
#include "RequestReader.h"
#include "ServerSettings.h"
#include "StandardOutput.h"
#include "Version.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <leptonica/allheaders.h>
#include <pthread.h>
#include <thread>
#include <unistd.h>

using namespace lumeno;

namespace {

constexpr size_t kMaxBodyBytes = 48 * 1024 * 1024;
constexpr std::chrono::seconds kRecognitionDeadline{60};

// Debian's Tesseract runs on OpenMP, whose runtime reads OMP_THREAD_LIMIT once, when it loads
// (before main). Without the limit, concurrent recognitions fight over every core and run
// many times slower, so the process starts itself again with the limit set.
void ensureSingleThreadedOpenMp(char **argv)
{
    const char *limit = std::getenv("OMP_THREAD_LIMIT");
    if (limit && std::strcmp(limit, "1") == 0)
        return;
    ::setenv("OMP_THREAD_LIMIT", "1", 1);
    ::execv("/proc/self/exe", argv);
    std::fprintf(stderr,
                 "lumeno-ocr-server: could not restart with OMP_THREAD_LIMIT=1 (%s); "
                 "concurrent recognition will be slow\n",
                 std::strerror(errno));
}

void printError(const QString &text)
{
    std::fprintf(stderr, "lumeno-ocr-server: %s\n", qPrintable(text));
}

RecognitionPool::Options poolOptions(const ServerSettings &settings)
{
    RecognitionPool::Options options;
    options.workers =
        settings.workers ? settings.workers : std::max(1u, std::thread::hardware_concurrency());
    options.queueLimit =
        settings.queue >= 0 ? static_cast<unsigned>(settings.queue) : 2 * options.workers;
    options.workersPerRequest =
        settings.workersPerRequest ? settings.workersPerRequest : (options.workers + 1) / 2;
    options.deadline = kRecognitionDeadline;
    options.memoryBudget = settings.memoryBudgetBytes();
    return options;
}

HttpServer::Options httpOptions(const ServerSettings &settings)
{
    HttpServer::Options options;
    options.host = settings.host;
    options.port = static_cast<quint16>(settings.port);
    options.connectionLimit = settings.maxConnections;
    options.perClientConnectionLimit = settings.maxConnectionsPerClient;
    options.headerTimeoutSeconds = settings.headerTimeoutSeconds;
    options.requestTimeoutSeconds = settings.requestTimeoutSeconds;
    // Only a backstop: the header and request timeouts come first, and answer a garbled head,
    // where libmicrohttpd's own idle timeout would close the connection without a word.
    options.idleTimeoutSeconds = settings.requestTimeoutSeconds + settings.headerTimeoutSeconds;
    options.minBodyBytesPerSecond = settings.minBodyKiBPerSecond * size_t{1024};
    options.maxBodyBytes = kMaxBodyBytes;
    options.bodyTooLarge = OcrService::refusalReply(
        QStringLiteral("The request is larger than the server's limit of %1 MiB. Capture a "
                       "smaller area.")
            .arg(kMaxBodyBytes / (1024 * 1024)));
    // Bodies wait outside the memory budget until a worker parses them, at six times their
    // size (RecognitionPool::parsingCost), so a quarter of the budget already holds more than
    // the budget can parse at once: enough to keep the queue fed, while bodies and requests
    // together stay within a quarter more than the budget. At least one body of the largest
    // size, so that a small budget still takes every body the size limit lets through.
    options.maxBufferedBodyBytes = std::max(settings.memoryBudgetBytes() / 4, kMaxBodyBytes);
    options.busy = OcrService::busyReply();
    return options;
}

// Damaged images are counted, not logged one by one: a client could send them at any rate.
void reportDamagedImages()
{
    if (const quint64 count = DecoderMessages::takeDamagedImageCount())
        printError(QStringLiteral("refused %1 damaged image(s) since the last summary").arg(count));
}

// Returns once SIGINT or SIGTERM arrives, which every thread has blocked.
void waitForStop(const sigset_t &stopSignals)
{
    const timespec minute{60, 0};
    while (sigtimedwait(&stopSignals, nullptr, &minute) < 0)
        reportDamagedImages();
    reportDamagedImages();
}

} // namespace

int main(int argc, char **argv)
{
    ensureSingleThreadedOpenMp(argv);
    // Hostile images would otherwise print a Leptonica error line each; the client gets the
    // refusal instead.
    setMsgSeverity(L_SEVERITY_NONE);

    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lumeno-ocr-server"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));

    auto parsed = ServerSettings::fromArguments(QCoreApplication::arguments());
    if (const auto *done = std::get_if<ServerSettings::Done>(&parsed)) {
        printLine(done->text.endsWith(QLatin1Char('\n')) ? done->text.chopped(1) : done->text);
        return 0;
    }
    if (const auto *error = std::get_if<ServerSettings::Error>(&parsed)) {
        printError(error->text + QStringLiteral("; see --help"));
        return 2;
    }
    const ServerSettings settings = std::get<ServerSettings>(parsed);

    LanguageCatalog catalog(LanguageCatalog::locateTessdata(settings.tessdata));
    if (!catalog.hasModel(QStringLiteral("eng"))) {
        printError(QStringLiteral("no English language data in %1: install the Debian package "
                                  "tesseract-ocr-eng, or name the folder with --tessdata")
                       .arg(catalog.tessdataDirectory()));
        return 1;
    }
    if (const QStringList missing = catalog.missingLanguages(); !missing.isEmpty())
        printError(QStringLiteral("these languages will be refused, their packs are not "
                                  "installed: %1")
                       .arg(missing.join(QStringLiteral(", "))));

    // Every thread made from here on inherits the mask, so the signals reach only waitForStop.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    RecognitionPool pool(RequestReader(catalog), poolOptions(settings));
    OcrService service(pool);
    HttpServer server(httpOptions(settings),
                      [&service](const HttpRequest &request, HttpServer::Responder respond) {
                          service.handle(request, std::move(respond));
                      });
    if (const Result started = server.start(); !started) {
        printError(started.why);
        return 1;
    }
    printLine(QStringLiteral("listening on http://%1:%2").arg(settings.host).arg(server.port()));

    waitForStop(stopSignals);
    server.stopAccepting();
    server.waitForRequestsInFlight(kRecognitionDeadline + std::chrono::seconds(10));
    server.stop();
    return 0;
}
