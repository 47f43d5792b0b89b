// The tray program's own road for one capture: from "OCR" pressed in the result view to the
// recognised text painted in its pane, through the real ContentView, RequestProvider and the
// built lumeno-ocr-server on loopback. The same request sent by a bare HTTP client in the same
// run is the baseline: the difference is what the tray program adds.

#include "ContentView.h"
#include "LumenoObject.h"
#include "RawHttpClient.h"
#include "ResultView.h"
#include "ServerProcess.h"
#include "TextImages.h"
#include "TextPane.h"
#include "TextTabView.h"

#include <QApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace lumeno;
using namespace lumeno::testkit;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPresses = 200;

// The capture of the figure: 600 x 200 pixels holding eight lines of 13 px text.
QImage capture()
{
    QImage image(600, 200, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter(&image).drawImage(
        0, 0,
        renderText(sampleParagraph() + sampleParagraph().mid(0, 3), {13, Qt::black, Qt::white}));
    return image;
}

ServerProcess &server()
{
    static ServerProcess process;
    static const bool ready = process.waitReady();
    if (!ready)
        std::fprintf(stderr, "the server did not start: %s\n", process.output().constData());
    return process;
}

struct Latencies
{
    std::vector<double> ms;

    double rank(double share)
    {
        std::sort(ms.begin(), ms.end());
        return ms[std::min(ms.size() - 1, static_cast<size_t>(share * ms.size()))];
    }
};

void report(benchmark::State &state, Latencies latencies)
{
    const double p50 = latencies.rank(0.5);
    state.counters["p50_ms"] = p50;
    state.counters["p99_ms"] = latencies.rank(0.99);
    state.SetIterationTime(p50 / 1000);
}

// The run prints each recognised text, as the tray program does; here it would bury the figures.
class QuietStandardOutput
{
public:
    QuietStandardOutput() : m_saved(::dup(STDOUT_FILENO))
    {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~QuietStandardOutput()
    {
        std::fflush(stdout);
        ::dup2(m_saved, STDOUT_FILENO);
        ::close(m_saved);
    }

private:
    int m_saved;
};

// One press of "OCR": true once the pane shows the text and has been painted.
bool pressOcr(ResultView &view)
{
    ContentView *content = view.contentView();
    content->setOcrString(QString()); // the same text again would change nothing on screen
    QEventLoop loop;
    QObject::connect(content, &ContentView::ocrStringChanged, &loop, &QEventLoop::quit);
    QObject::connect(content, &ContentView::isShowAlertChanged, &loop, &QEventLoop::quit);
    QTimer::singleShot(std::chrono::seconds(30), &loop, &QEventLoop::quit);
    view.ocrButton()->click();
    loop.exec();
    view.repaint();
    return !view.textTabView()->ocrPane()->text().isEmpty();
}

void ocrPressedToText(benchmark::State &state)
{
    LumenoObject lumenoObject;
    ResultView view(new ContentView(&lumenoObject, capture()));
    view.show();
    QuietStandardOutput quiet;
    for (int i = 0; i < 10; ++i)
        pressOcr(view); // every worker loads its engine
    for (auto _ : state) {
        Latencies latencies;
        for (int i = 0; i < kPresses; ++i) {
            const Clock::time_point start = Clock::now();
            if (!pressOcr(view))
                return state.SkipWithError("no text came back");
            latencies.ms.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        report(state, std::move(latencies));
    }
}

void serverAlone(benchmark::State &state)
{
    const QByteArray body =
        QJsonDocument(QJsonObject{
                          {"imageBase64", QString::fromLatin1(pngBytes(capture()).toBase64())},
                          {"languageIndex", "ENG"},
                      })
            .toJson(QJsonDocument::Compact);
    for (int i = 0; i < 10; ++i)
        post(server().port(), "/api/ocr/GetBaiduOcrTextNew", body);
    for (auto _ : state) {
        Latencies latencies;
        for (int i = 0; i < kPresses; ++i) {
            const Clock::time_point start = Clock::now();
            post(server().port(), "/api/ocr/GetBaiduOcrTextNew", body);
            latencies.ms.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        }
        report(state, std::move(latencies));
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    qputenv("LUMENO_CONFIG_DIR", settings.path().toUtf8());
    QApplication application(argc, argv);
    qputenv("LUMENO_OCR_SERVER_URL",
            QByteArray("http://127.0.0.1:") + QByteArray::number(server().port()));
    for (auto *run : {benchmark::RegisterBenchmark("tray/ocrPressedToTextShown", ocrPressedToText),
                      benchmark::RegisterBenchmark("tray/serverAloneSameRequest", serverAlone)})
        run->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
