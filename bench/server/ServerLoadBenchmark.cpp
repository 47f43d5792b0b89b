// Load bench of lumeno-ocr-server against the command-line engine (`tesseract IMAGE stdout`),
// both measured in this run on the same rendered screen crops. Each benchmark is one pass of
// CLIENTS concurrent clients; the counters carry p50/p99 latency (ms) and throughput
// (requests/s), and a summary table of ratios and character error rates follows the run.

#include "RawHttpClient.h"
#include "ServerProcess.h"
#include "TextImages.h"

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
#include <thread>

using namespace lumeno::testkit;
using Clock = std::chrono::steady_clock;

namespace {

struct Crop
{
    const char *name;
    QImage image;
    int requestsPerClient;
};

// A screenful of prose: lines as wide as the screen, as many as fit.
QImage screenOfText(int width, int height, int pixelSize)
{
    QStringList words = sampleParagraph().join(' ').split(' ');
    QStringList lines;
    QString line;
    const QFontMetrics metrics([&] {
        QFont font("DejaVu Sans");
        font.setPixelSize(pixelSize);
        return font;
    }());
    const int lineCount = (height - 2 * pixelSize) / (pixelSize * 3 / 2);
    for (int i = 0; lines.size() < lineCount; ++i) {
        const QString next =
            line.isEmpty() ? words[i % words.size()] : line + ' ' + words[i % words.size()];
        if (metrics.horizontalAdvance(next) > width - 2 * pixelSize) {
            lines << line;
            line = words[i % words.size()];
        } else {
            line = next;
        }
    }
    return renderText(lines, {pixelSize, Qt::black, Qt::white}).copy(0, 0, width, height);
}

std::vector<Crop> &crops()
{
    static std::vector<Crop> all{
        {"line", renderText({sampleParagraph().first()}, {13, Qt::black, Qt::white}), 24},
        {"paragraph", renderText(sampleParagraph(), {13, Qt::black, Qt::white}), 6},
        {"screen", screenOfText(1920, 1080, 16), 1},
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

ServerProcess &server()
{
    static ServerProcess process;
    static const bool ready = process.waitReady();
    if (!ready)
        std::fprintf(stderr, "the server did not start: %s\n", process.output().constData());
    return process;
}

QString recogniseWithServer(const QImage &image)
{
    const auto reply = post(server().port(), "/api/ocr/GetBaiduOcrTextNew", requestBody(image));
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
    double p50 = 0, p99 = 0, throughput = 0;
};
std::map<std::string, Figures> g_figures; // "server/line/4" -> figures

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
    std::sort(latencies.begin(), latencies.end());
    auto rank = [&](double share) {
        return latencies[std::min(
            latencies.size() - 1,
            static_cast<size_t>(share * static_cast<double>(latencies.size())))];
    };
    return {rank(0.5), rank(0.99), static_cast<double>(latencies.size()) / seconds};
}

void report(benchmark::State &state, const std::string &key, const Figures &figures)
{
    g_figures[key] = figures;
    state.counters["p50_ms"] = figures.p50;
    state.counters["p99_ms"] = figures.p99;
    state.counters["req_per_s"] = figures.throughput;
}

void serverLoad(benchmark::State &state, size_t cropIndex)
{
    const Crop &crop = crops()[cropIndex];
    const QByteArray body = requestBody(crop.image);
    const int clients = static_cast<int>(state.range(0));
    // Every worker loads its engine before the measurement.
    measure(static_cast<int>(std::thread::hardware_concurrency()), 1,
            [&] { post(server().port(), "/api/ocr/GetBaiduOcrTextNew", body); });
    for (auto _ : state) {
        const Figures figures = measure(clients, crop.requestsPerClient, [&] {
            post(server().port(), "/api/ocr/GetBaiduOcrTextNew", body);
        });
        state.SetIterationTime(1.0 / figures.throughput);
        report(state, std::string("server/") + crop.name + '/' + std::to_string(clients), figures);
    }
}

void cliLoad(benchmark::State &state, size_t cropIndex)
{
    const Crop &crop = crops()[cropIndex];
    QTemporaryDir folder;
    const QString path = folder.filePath("crop.png");
    crop.image.save(path);
    const int clients = static_cast<int>(state.range(0));
    const int requests = std::max(1, crop.requestsPerClient / 3);
    for (auto _ : state) {
        const Figures figures =
            measure(clients, requests, [&] { recogniseWithCli(path, clients > 1); });
        state.SetIterationTime(1.0 / figures.throughput);
        report(state, std::string("cli/") + crop.name + '/' + std::to_string(clients), figures);
    }
}

void printSummary()
{
    std::printf(
        "\n| crop | clients | server p50 ms | server p99 ms | server req/s | cli p50 ms | "
        "cli req/s | p50 speed-up | throughput ratio |\n|---|---|---|---|---|---|---|---|---|\n");
    for (const Crop &crop : crops())
        for (int clients : {1, 2, 4, 8}) {
            const std::string suffix = std::string(crop.name) + '/' + std::to_string(clients);
            if (!g_figures.count("server/" + suffix) || !g_figures.count("cli/" + suffix))
                continue;
            const Figures &s = g_figures["server/" + suffix];
            const Figures &c = g_figures["cli/" + suffix];
            std::printf("| %s | %d | %.0f | %.0f | %.1f | %.0f | %.2f | %.1fx | %.1fx |\n",
                        crop.name, clients, s.p50, s.p99, s.throughput, c.p50, c.throughput,
                        c.p50 / s.p50, s.throughput / c.throughput);
        }

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
            serverErrors += characterErrorRate(reference, recogniseWithServer(image)) / 2;
            cliErrors += characterErrorRate(reference, recogniseWithCli(path)) / 2;
        }
        std::printf("| %d | %.2f%% | %.2f%% |\n", size, 100 * serverErrors, 100 * cliErrors);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    for (size_t i = 0; i < crops().size(); ++i) {
        const std::string name = crops()[i].name;
        // Both roads run once per client count, timed by the bench itself.
        for (auto *run : {benchmark::RegisterBenchmark(("server/" + name).c_str(), serverLoad, i),
                          benchmark::RegisterBenchmark(("cli/" + name).c_str(), cliLoad, i)})
            run->ArgName("clients")
                ->Arg(1)
                ->Arg(2)
                ->Arg(4)
                ->Arg(8)
                ->Iterations(1)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    printSummary();
    benchmark::Shutdown();
    return 0;
}
