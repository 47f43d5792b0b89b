// Bench of lumeno-ocr-server against the command-line engine (`tesseract IMAGE stdout`), both
// measured in this run on the same rendered screen crops:
//  - one request at a time, warm, for a line, eight lines and a 1920x1080 screen in two
//    columns, at 11, 13 and 16 px, with the character error rate of both read in reading order;
//    the server is measured with its default share of workers per request and with all of them;
//  - 1, 2, 4 and 8 concurrent clients on a line and a five-line paragraph, taking turns with an
//    earlier build of the server when LUMENO_BASELINE_SERVER names one;
//  - the server's resident memory after its start and after 1,000 requests;
//  - the worst pages within the pixel limit (40 megapixels of dots), alone and eight at once on
//    a fresh server each, with their time and the server's peak and remaining memory, against
//    LUMENO_BASELINE_SERVER when it names an earlier build.
// Each benchmark is one timed pass; the counters carry p50/p99 latency (ms) and throughput
// (requests/s), and summary tables of ratios follow the run.

#include "HostileImages.h"
#include "RawHttpClient.h"
#include "ServerProcess.h"
#include "TextImages.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <mutex>
#include <numeric>
#include <thread>

using namespace lumeno::testkit;
using Clock = std::chrono::steady_clock;

namespace {

const QByteArray kPath = "/api/ocr/GetBaiduOcrTextNew";

struct Crop
{
    std::string name;
    QImage image;
    QString reference; // the text in reading order
    // One request at a time: rounds, each road once per round (odd, so p50 is a median). Under
    // load: requests of each client to the server, and to the command line.
    int requests;
    int cliRequests;
};

QStringList eightLines()
{
    return sampleParagraph() + sampleParagraph().mid(0, 3);
}

// A 1920x1080 screen of prose in two columns with a 48 px gutter, each column a different stretch
// of the text; the reference reads the left column before the right one.
Crop twoColumnScreen(int pixelSize)
{
    const int lineCount = (1080 - 2 * pixelSize) / (pixelSize * 3 / 2);
    const int columnWidth = (1920 - 48) / 2 - 2 * pixelSize;
    QStringList prose;
    for (int i = 0; i < 40; ++i)
        prose << sampleParagraph();
    const QStringList words = prose.join(' ').split(' ');
    QList<QStringList> columns;
    int from = 0;
    for (int c = 0; c < 2; ++c) {
        QStringList lines = wrapText(words.mid(from).join(' '), columnWidth, pixelSize);
        lines = lines.mid(0, lineCount);
        from += static_cast<int>(lines.join(' ').split(' ').size());
        columns << lines;
    }
    QImage screen(1920, 1080, QImage::Format_RGB32);
    screen.fill(Qt::white);
    QPainter(&screen).drawImage(0, 0,
                                renderColumns(columns, {pixelSize, Qt::black, Qt::white}, 48));
    return {"screen", screen, (columns[0] + columns[1]).join(' '), 5, 0};
}

std::vector<Crop> &singleCrops()
{
    static std::vector<Crop> all = [] {
        std::vector<Crop> crops;
        for (int size : {11, 13, 16}) {
            const TextStyle style{size, Qt::black, Qt::white};
            const std::string px = std::to_string(size);
            crops.push_back({"line/" + px, renderText({sampleParagraph().first()}, style),
                             sampleParagraph().first(), 21, 0});
            crops.push_back(
                {"eight/" + px, renderText(eightLines(), style), eightLines().join(' '), 11, 0});
            Crop screen = twoColumnScreen(size);
            screen.name += "/" + px;
            crops.push_back(screen);
        }
        return crops;
    }();
    return all;
}

std::vector<Crop> &loadCrops()
{
    static std::vector<Crop> all{
        {"line", renderText({sampleParagraph().first()}, {13, Qt::black, Qt::white}),
         sampleParagraph().first(), 24, 8},
        {"paragraph", renderText(sampleParagraph(), {13, Qt::black, Qt::white}),
         sampleParagraph().join(' '), 6, 2},
    };
    return all;
}

QByteArray requestBody(const QImage &image)
{
    return QJsonDocument(
               QJsonObject{{"imageBase64", QString::fromLatin1(pngBytes(image).toBase64())},
                           {"languageIndex", "ENG"}})
        .toJson(QJsonDocument::Compact);
}

// The server as the tray program starts it, and the same with every worker for one request.
ServerProcess &server(bool allWorkers = false)
{
    static auto start = [](QStringList arguments) {
        auto process = std::make_unique<ServerProcess>(arguments);
        if (!process->waitReady())
            std::fprintf(stderr, "the server did not start: %s\n", process->output().constData());
        return process;
    };
    static std::unique_ptr<ServerProcess> byDefault = start({});
    static std::unique_ptr<ServerProcess> allOfThem;
    if (!allWorkers)
        return *byDefault;
    if (!allOfThem)
        allOfThem =
            start({"--workers-per-request", QString::number(std::thread::hardware_concurrency())});
    return *allOfThem;
}

// An earlier build of the server to compare throughput with in the same run; null when
// LUMENO_BASELINE_SERVER names none.
ServerProcess *baselineServer()
{
    static const std::unique_ptr<ServerProcess> process = []() -> std::unique_ptr<ServerProcess> {
        const QString program = qEnvironmentVariable("LUMENO_BASELINE_SERVER");
        if (program.isEmpty())
            return nullptr;
        auto started = std::make_unique<ServerProcess>(
            QStringList{}, QProcessEnvironment::systemEnvironment(), program);
        if (!started->waitReady()) {
            std::fprintf(stderr, "the baseline server did not start: %s\n",
                         started->output().constData());
            return nullptr;
        }
        return started;
    }();
    return process.get();
}

QString recogniseWithServer(ServerProcess &process, const QByteArray &body)
{
    const auto reply = post(process.port(), kPath, body);
    return reply ? QJsonDocument::fromJson(reply->body)["data"]["text"].toString() : QString();
}

// The engine as users run it from a shell, default page segmentation. Alone it runs in the
// default environment; several at once get OMP_THREAD_LIMIT=1, their best case (with OpenMP
// spread over every core, 8 at once took minutes per paragraph here).
QString recogniseWithCli(const QString &pngPath, bool concurrent = false)
{
    QProcess process;
    if (concurrent) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("OMP_THREAD_LIMIT", "1");
        process.setProcessEnvironment(environment);
    }
    process.start("tesseract", {pngPath, "stdout"});
    process.waitForFinished(300000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

struct Figures
{
    double p50 = 0, p99 = 0, throughput = 0, errorRate = -1;
};
std::map<std::string, Figures> g_figures; // "server/line/4" -> figures
qint64 g_rssAtStart = -1, g_rssAfterRequests = -1;

Figures summarise(std::vector<double> latencies, double seconds)
{
    std::sort(latencies.begin(), latencies.end());
    auto rank = [&](double share) {
        return latencies[std::min(
            latencies.size() - 1,
            static_cast<size_t>(share * static_cast<double>(latencies.size())))];
    };
    return {rank(0.5), rank(0.99), static_cast<double>(latencies.size()) / seconds};
}

// Runs `clients` threads that each do `requests` calls of `call`, and measures them.
Figures measure(int clients, int requests, const std::function<void()> &call)
{
    std::mutex mutex;
    std::vector<double> latencies;
    const Clock::time_point start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&] {
            for (int r = 0; r < requests; ++r) {
                const Clock::time_point begin = Clock::now();
                call();
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
                std::lock_guard lock(mutex);
                latencies.push_back(ms);
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return summarise(std::move(latencies), seconds);
}

double millisecondsOf(const std::function<void()> &call)
{
    const Clock::time_point begin = Clock::now();
    call();
    return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
}

void report(benchmark::State &state, const std::string &key, const Figures &figures)
{
    g_figures[key] = figures;
    state.counters["p50_ms"] = figures.p50;
    state.counters["p99_ms"] = figures.p99;
    state.counters["req_per_s"] = figures.throughput;
    if (figures.errorRate >= 0)
        state.counters["cer_pct"] = 100 * figures.errorRate;
    state.SetIterationTime(1.0 / figures.throughput);
}

// Every worker of the server loads its engine before the measurement.
void warm(ServerProcess &process, const QByteArray &body)
{
    measure(static_cast<int>(std::thread::hardware_concurrency()), 2,
            [&] { post(process.port(), kPath, body); });
}

// The three roads take turns, round by round, so that the load of the machine weighs on all of
// them alike: the server with its default share of workers per request, the same with every
// worker, and the command line.
void singleRequest(benchmark::State &state, size_t cropIndex)
{
    const Crop &crop = singleCrops()[cropIndex];
    const QByteArray body = requestBody(crop.image);
    QTemporaryDir folder;
    const QString path = folder.filePath("crop.png");
    crop.image.save(path);
    warm(server(), body);
    warm(server(true), body);
    for (auto _ : state) {
        std::vector<double> ours, all, cli;
        QString ourText, allText, cliText;
        for (int round = 0; round < crop.requests; ++round) {
            ours.push_back(millisecondsOf([&] { ourText = recogniseWithServer(server(), body); }));
            all.push_back(
                millisecondsOf([&] { allText = recogniseWithServer(server(true), body); }));
            cli.push_back(millisecondsOf([&] { cliText = recogniseWithCli(path); }));
        }
        auto figures = [&](std::vector<double> latencies, const QString &text) {
            const double seconds = std::accumulate(latencies.begin(), latencies.end(), 0.0) / 1000;
            Figures summary = summarise(std::move(latencies), seconds);
            summary.errorRate = characterErrorRate(crop.reference, text);
            return summary;
        };
        g_figures["all/" + crop.name] = figures(all, allText);
        g_figures["cli/" + crop.name] = figures(cli, cliText);
        state.counters["all_p50_ms"] = g_figures["all/" + crop.name].p50;
        state.counters["cli_p50_ms"] = g_figures["cli/" + crop.name].p50;
        report(state, "server/" + crop.name, figures(ours, ourText));
    }
}

// With a baseline, the two servers take turns in three rounds, so that the load of the machine
// weighs on both alike.
void serverLoad(benchmark::State &state, size_t cropIndex)
{
    const Crop &crop = loadCrops()[cropIndex];
    const QByteArray body = requestBody(crop.image);
    const int clients = static_cast<int>(state.range(0));
    const std::string suffix = crop.name + '/' + std::to_string(clients);
    ServerProcess *baseline = baselineServer();
    warm(server(), body);
    if (baseline)
        warm(*baseline, body);
    const int rounds = baseline ? 3 : 1;
    for (auto _ : state) {
        Figures ours, theirs;
        for (int round = 0; round < rounds; ++round) {
            const Figures mine =
                measure(clients, crop.requests, [&] { post(server().port(), kPath, body); });
            ours = {ours.p50 + mine.p50 / rounds, ours.p99 + mine.p99 / rounds,
                    ours.throughput + mine.throughput / rounds};
            if (!baseline)
                continue;
            const Figures other =
                measure(clients, crop.requests, [&] { post(baseline->port(), kPath, body); });
            theirs = {theirs.p50 + other.p50 / rounds, theirs.p99 + other.p99 / rounds,
                      theirs.throughput + other.throughput / rounds};
        }
        if (baseline) {
            g_figures["baseline/" + suffix] = theirs;
            state.counters["baseline_req_per_s"] = theirs.throughput;
        }
        report(state, "server/" + suffix, ours);
    }
}

void cliLoad(benchmark::State &state, size_t cropIndex)
{
    const Crop &crop = loadCrops()[cropIndex];
    QTemporaryDir folder;
    const QString path = folder.filePath("crop.png");
    crop.image.save(path);
    const int clients = static_cast<int>(state.range(0));
    for (auto _ : state)
        report(state, "cli/" + crop.name + '/' + std::to_string(clients),
               measure(clients, crop.cliRequests, [&] { recogniseWithCli(path, clients > 1); }));
}

// A server of its own, so that what the other benchmarks left behind does not count.
void serverMemory(benchmark::State &state)
{
    for (auto _ : state) {
        ServerProcess process;
        if (!process.waitReady())
            return state.SkipWithError("the server did not start");
        g_rssAtStart = process.residentKiB();
        const QByteArray line = requestBody(loadCrops()[0].image);
        const QByteArray paragraph = requestBody(loadCrops()[1].image);
        std::atomic<int> sent = 0;
        const Figures figures = measure(
            8, 125, [&] { post(process.port(), kPath, ++sent % 5 == 0 ? paragraph : line); });
        g_rssAfterRequests = process.residentKiB();
        state.counters["rss_start_MiB"] = static_cast<double>(g_rssAtStart) / 1024;
        state.counters["rss_1000_MiB"] = static_cast<double>(g_rssAfterRequests) / 1024;
        state.SetIterationTime(1.0 / figures.throughput);
    }
}

struct HostileFigures
{
    double seconds = 0;
    qint64 peakKiB = -1, afterKiB = -1;
    int answered = 0, requests = 0;
};
std::map<std::string, HostileFigures> g_hostile; // "server/dots/8" -> figures

struct HostilePage
{
    std::string name;
    DotPattern pattern;
    std::vector<int> clients;
};

// Bars only alone: eight at once would take the baseline server to about 12 GiB.
const std::vector<HostilePage> &hostilePages()
{
    static const std::vector<HostilePage> pages{{"dots", DotPattern::Dots, {1, 8}},
                                                {"bars and dots", DotPattern::BarsAndDots, {1, 8}},
                                                {"bars", DotPattern::Bars, {1}}};
    return pages;
}

// `clients` requests of the page at once on a fresh server with its default options.
HostileFigures sendHostilePage(const QString &program, const QByteArray &body, int clients)
{
    ServerProcess process({}, QProcessEnvironment::systemEnvironment(), program);
    if (!process.waitReady())
        return {};
    HostileFigures figures;
    figures.requests = clients;
    std::vector<std::unique_ptr<RawHttpClient>> sent;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < clients; ++i) {
        sent.push_back(std::make_unique<RawHttpClient>(process.port()));
        sent.back()->send(RawHttpClient::postRequest(kPath, body));
    }
    for (auto &client : sent) {
        const auto reply = client->readReply(std::chrono::minutes(10));
        figures.answered += reply && reply->status == 200 ? 1 : 0;
    }
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    figures.peakKiB = process.peakResidentKiB();
    // The allocator's pages go back after the last reply.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    figures.afterKiB = process.residentKiB();
    return figures;
}

void hostilePage(benchmark::State &state, size_t pageIndex)
{
    const HostilePage &page = hostilePages()[pageIndex];
    const QByteArray image = dottedPng(6324, page.pattern);
    const QByteArray request =
        QJsonDocument(QJsonObject{{"imageBase64", QString::fromLatin1(image.toBase64())},
                                  {"languageIndex", "ENG"}})
            .toJson(QJsonDocument::Compact);
    const int clients = static_cast<int>(state.range(0));
    const QString baseline = qEnvironmentVariable("LUMENO_BASELINE_SERVER");
    for (auto _ : state) {
        const std::string suffix = page.name + '/' + std::to_string(clients);
        const HostileFigures ours = sendHostilePage(ServerProcess::binaryPath(), request, clients);
        g_hostile["server/" + suffix] = ours;
        if (!baseline.isEmpty())
            g_hostile["baseline/" + suffix] = sendHostilePage(baseline, request, clients);
        state.counters["peak_MiB"] = static_cast<double>(ours.peakKiB) / 1024;
        state.counters["after_MiB"] = static_cast<double>(ours.afterKiB) / 1024;
        state.SetIterationTime(ours.seconds);
    }
}

void printHostileSummary()
{
    std::printf("\n| page (6324 x 6324 PNG) | at once | build | answered | time s | peak RSS MiB | "
                "RSS after MiB |\n|---|---|---|---|---|---|---|\n");
    for (const HostilePage &page : hostilePages())
        for (int clients : page.clients)
            for (const char *build : {"baseline", "server"}) {
                const std::string key =
                    std::string(build) + '/' + page.name + '/' + std::to_string(clients);
                if (!g_hostile.count(key))
                    continue;
                const HostileFigures &f = g_hostile[key];
                std::printf("| %s | %d | %s | %d of %d | %.1f | %.0f | %.0f |\n", page.name.c_str(),
                            clients, build, f.answered, f.requests, f.seconds,
                            static_cast<double>(f.peakKiB) / 1024,
                            static_cast<double>(f.afterKiB) / 1024);
            }
}

void printSummary()
{
    printHostileSummary();
    std::printf(
        "\n| crop | font px | server p50 ms | server p99 ms | all workers p50 ms | cli p50 ms "
        "| p50 speed-up | all workers speed-up | server CER | cli CER |\n"
        "|---|---|---|---|---|---|---|---|---|---|\n");
    for (const Crop &crop : singleCrops()) {
        const std::string name = crop.name.substr(0, crop.name.find('/'));
        const std::string size = crop.name.substr(crop.name.find('/') + 1);
        if (!g_figures.count("server/" + crop.name) || !g_figures.count("cli/" + crop.name))
            continue;
        const Figures &s = g_figures["server/" + crop.name];
        const Figures &c = g_figures["cli/" + crop.name];
        const Figures all =
            g_figures.count("all/" + crop.name) ? g_figures["all/" + crop.name] : Figures{};
        std::printf("| %s | %s | %.0f | %.0f | %.0f | %.0f | %.1fx | %.1fx | %.2f%% | %.2f%% |\n",
                    name.c_str(), size.c_str(), s.p50, s.p99, all.p50, c.p50, c.p50 / s.p50,
                    all.p50 > 0 ? c.p50 / all.p50 : 0.0, 100 * s.errorRate, 100 * c.errorRate);
    }

    std::printf(
        "\n| crop | clients | server p50 ms | server p99 ms | server req/s | cli p50 ms | "
        "cli req/s | p50 speed-up | throughput ratio | baseline req/s | throughput vs baseline "
        "|\n|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const Crop &crop : loadCrops())
        for (int clients : {1, 2, 4, 8}) {
            const std::string suffix = crop.name + '/' + std::to_string(clients);
            if (!g_figures.count("server/" + suffix) || !g_figures.count("cli/" + suffix))
                continue;
            const Figures &s = g_figures["server/" + suffix];
            const Figures &c = g_figures["cli/" + suffix];
            const double baseline = g_figures.count("baseline/" + suffix)
                                        ? g_figures["baseline/" + suffix].throughput
                                        : 0.0;
            std::printf("| %s | %d | %.0f | %.0f | %.1f | %.0f | %.2f | %.1fx | %.1fx | %.1f | "
                        "%.2fx |\n",
                        crop.name.c_str(), clients, s.p50, s.p99, s.throughput, c.p50, c.throughput,
                        c.p50 / s.p50, s.throughput / c.throughput, baseline,
                        baseline > 0 ? s.throughput / baseline : 0.0);
        }

    if (g_rssAtStart >= 0)
        std::printf("\nserver RSS: %.1f MiB after start, %.1f MiB after 1,000 requests\n",
                    static_cast<double>(g_rssAtStart) / 1024,
                    static_cast<double>(g_rssAfterRequests) / 1024);

    std::printf("\n| font px | server CER | cli CER |\n|---|---|---|\n");
    QTemporaryDir folder;
    for (int size : {11, 12, 13, 14, 16}) {
        double serverErrors = 0, cliErrors = 0;
        for (bool dark : {false, true}) {
            const QImage image =
                renderText(sampleParagraph(), {size, dark ? Qt::white : Qt::black,
                                               dark ? QColor(30, 30, 30) : Qt::white});
            const QString path = folder.filePath(QString("cer%1.png").arg(size));
            image.save(path);
            const QString reference = sampleParagraph().join(' ');
            serverErrors +=
                characterErrorRate(reference, recogniseWithServer(server(), requestBody(image))) /
                2;
            cliErrors += characterErrorRate(reference, recogniseWithCli(path)) / 2;
        }
        std::printf("| %d | %.2f%% | %.2f%% |\n", size, 100 * serverErrors, 100 * cliErrors);
    }
}

void registerAll()
{
    auto timed = [](benchmark::internal::Benchmark *run) {
        return run->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    };
    for (size_t i = 0; i < singleCrops().size(); ++i) {
        const std::string name = singleCrops()[i].name;
        timed(benchmark::RegisterBenchmark(("single/" + name).c_str(), singleRequest, i));
    }
    for (size_t i = 0; i < loadCrops().size(); ++i) {
        const std::string name = loadCrops()[i].name;
        // Both roads run once per client count, timed by the bench itself.
        for (auto *run :
             {benchmark::RegisterBenchmark(("load/server/" + name).c_str(), serverLoad, i),
              benchmark::RegisterBenchmark(("load/cli/" + name).c_str(), cliLoad, i)})
            timed(run->ArgName("clients")->Arg(1)->Arg(2)->Arg(4)->Arg(8));
    }
    timed(benchmark::RegisterBenchmark("memory/server", serverMemory));
    for (size_t i = 0; i < hostilePages().size(); ++i) {
        auto *run = timed(benchmark::RegisterBenchmark(
                              ("hostile/" + hostilePages()[i].name).c_str(), hostilePage, i))
                        ->ArgName("clients");
        for (int clients : hostilePages()[i].clients)
            run->Arg(clients);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    registerAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
