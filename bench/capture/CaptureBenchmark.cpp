// The capture against its own former road, side by side in one run, on the display the program
// runs on: start to painted overlays, the confirmation of a whole-screen selection, the grab and
// the JPEG round trip alone, and the program's memory over one capture. Run it under
// with-x11-session at each screen size and monitor count of interest (run-capture-bench does all
// four). Each paired benchmark times both roads in every iteration, in turns, so that a change
// of the machine's load falls on both; its counters are the medians and their ratio.
#include "BaselineRoad.h"
#include "CaptureNotifications.h"
#include "FakeDesktop.h"
#include "NotificationCenter.h"
#include "QtScreens.h"
#include "ScreenContent.h"
#include "ScreenShotController.h"
#include "ScreenShotManager.h"
#include "ScreenShotWindow.h"
#include "SnipUtil.h"

#include <QApplication>
#include <QBuffer>
#include <QCursor>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QScreen>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <functional>
#include <iostream>

using namespace lumeno;

namespace {

double millisecondsSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Each road times itself in milliseconds and leaves no capture open.
using Road = std::function<double()>;

void sideBySide(benchmark::State &state, const Road &baseline, const Road &current)
{
    std::vector<double> before, now;
    bool baselineFirst = true;
    for (auto _ : state) {
        double b = 0, n = 0;
        if (baselineFirst) {
            b = baseline();
            n = current();
        } else {
            n = current();
            b = baseline();
        }
        baselineFirst = !baselineFirst;
        before.push_back(b);
        now.push_back(n);
        state.SetIterationTime(n / 1000);
    }
    state.counters["baseline_ms"] = median(before);
    state.counters["new_ms"] = median(now);
    state.counters["new_max_ms"] = *std::max_element(now.begin(), now.end());
    state.counters["speedup"] = median(before) / median(now);
}

// Runs the event loop until every panel of the open capture has painted once, and the X server
// has what was flushed after.
void waitForOverlays(ScreenShotManager &manager)
{
    const auto controllers = manager.windowControllerArray();
    int painted = 0;
    for (ScreenShotController *controller : controllers)
        QObject::connect(
            controller->window(), &ScreenShotWindow::painted, controller, [&painted] { ++painted; },
            Qt::SingleShotConnection);
    while (painted < static_cast<int>(controllers.size()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    bench::syncWithServer();
}

// Ends the open capture and lets its panels and controllers go.
void endQuietly(ScreenShotManager &manager)
{
    manager.endCapture(std::nullopt);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    bench::syncWithServer();
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    bench::syncWithServer();
}

double baselineStart()
{
    bench::BaselineRoad road;
    QElapsedTimer timer;
    timer.start();
    road.start();
    bench::syncWithServer();
    const double ms = millisecondsSince(timer);
    road.end();
    settle();
    return ms;
}

double currentStart()
{
    ScreenShotManager &manager = ScreenShotManager::shared();
    QElapsedTimer timer;
    timer.start();
    manager.startCapture();
    waitForOverlays(manager);
    const double ms = millisecondsSince(timer);
    endQuietly(manager);
    return ms;
}

void BM_StartToPaintedOverlays(benchmark::State &state)
{
    sideBySide(state, baselineStart, currentStart);
}

double baselineConfirm()
{
    bench::BaselineRoad road;
    road.start();
    bench::syncWithServer();
    QElapsedTimer timer;
    timer.start();
    benchmark::DoNotOptimize(road.confirmWholeScreen());
    const double ms = millisecondsSince(timer);
    road.end();
    settle();
    return ms;
}

// The release to kNotifyCaptureEnd; the mouse rests over the whole-screen content window.
double currentConfirm()
{
    ScreenShotManager &manager = ScreenShotManager::shared();
    manager.startCapture();
    waitForOverlays(manager);
    QObject observer;
    bool ended = false;
    NotificationCenter::defaultCenter().addObserver(
        &observer, kNotifyCaptureEnd, [&ended](const Notification &) { ended = true; });
    ScreenShotController *controller = manager.windowControllerArray().front();
    QElapsedTimer timer;
    timer.start();
    controller->onMouseDown(1);
    controller->onMouseUp(1);
    while (!ended)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const double ms = millisecondsSince(timer);
    NotificationCenter::defaultCenter().removeObserver(&observer);
    settle();
    return ms;
}

void BM_ConfirmWholeScreen(benchmark::State &state)
{
    sideBySide(state, baselineConfirm, currentConfirm);
}

void BM_GrabEveryScreen(benchmark::State &state)
{
    Desktop &desktop = ScreenShotManager::shared().desktop();
    const auto grabAll = [&desktop](bool qts) {
        QElapsedTimer timer;
        timer.start();
        for (const DesktopScreen &screen : desktop.screens())
            benchmark::DoNotOptimize(qts ? QtScreens::grabScreen(screen)
                                         : desktop.grabScreen(screen));
        return millisecondsSince(timer);
    };
    sideBySide(
        state, [&] { return grabAll(true); }, [&] { return grabAll(false); });
}

// The new side works as the confirmation does: on a grab it holds alone and has touched, which
// it decodes into. Qt's side reuses the heap block its last decode freed.
void BM_JpegRoundTripOfTheFirstScreen(benchmark::State &state)
{
    Desktop &desktop = ScreenShotManager::shared().desktop();
    const QImage grab = *desktop.grabScreen(desktop.screens().front());
    const auto qts = [&grab] {
        QElapsedTimer timer;
        timer.start();
        const QImage crop = grab.copy(grab.rect());
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(100);
        writer.write(crop);
        benchmark::DoNotOptimize(QImage::fromData(bytes, "jpeg"));
        return millisecondsSince(timer);
    };
    const auto mine = [&grab] {
        QImage own = grab.copy();
        QElapsedTimer timer;
        timer.start();
        benchmark::DoNotOptimize(SnipUtil::cropToJpeg(std::move(own), grab.rect()));
        return millisecondsSince(timer);
    };
    sideBySide(state, qts, mine);
}

void BM_WindowPickOver200Windows(benchmark::State &state)
{
    FakeDesktop desktop;
    const DesktopScreen screen{nullptr, QRectF(0, 0, 1920, 1080), 1.0, {0, 0}};
    desktop.setScreens({screen});
    // Small windows away from the mouse, the one under it last, so the walk visits them all.
    QList<DesktopWindow> windows;
    for (int i = 0; i < 199; ++i)
        windows.append({QRectF(10 + (i % 20) * 40, 10 + (i / 20) * 40, 30, 30), 0});
    windows.append({QRectF(900, 500, 400, 300), 0});
    desktop.setWindowList(windows);
    desktop.setMouseLocation(QPointF(1000, 400));
    ScreenShotManager manager(desktop);
    manager.startCapture();
    ScreenShotController *controller = manager.windowControllerArray().front();
    for (auto _ : state)
        controller->highlightWindowUnderMouse();
    manager.endCapture(std::nullopt);
}

// Memory is measured in a fresh process per road, so that neither inherits the other's heap.
double memoryMiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').front().toDouble() / 1024;
    }
    return 0;
}

// One capture in this fresh process, confirmed over the whole first screen; prints the RSS
// before it, while its overlays show, its peak, and after its end with the image still held
// (as the clipboard and the result popover hold it). The bench that starts it has set the
// screens' content.
int memoryProbe(const QByteArray &road)
{
    settle();
    const double before = memoryMiB("VmRSS:");
    // Writing 5 starts the peak (VmHWM) afresh. The kernel updates it lazily, so the RSS seen
    // along the way counts too.
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        return 2;
    clear.close();
    double overlay = 0, peak = 0;
    const auto sample = [&peak] { peak = std::max(peak, memoryMiB("VmRSS:")); };
    QImage kept;
    if (road == "baseline") {
        bench::BaselineRoad baseline;
        baseline.start();
        overlay = memoryMiB("VmRSS:");
        kept = baseline.confirmWholeScreen().value_or(QImage());
        sample();
        baseline.end();
    } else {
        ScreenShotManager &manager = ScreenShotManager::shared();
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(
            &observer, kNotifyCaptureEnd, [&kept, &sample](const Notification &n) {
                kept = n.userInfo ? n.userInfo->value(kCaptureImageKey).value<QImage>() : QImage();
                sample();
            });
        manager.startCapture();
        waitForOverlays(manager);
        overlay = memoryMiB("VmRSS:");
        ScreenShotController *controller = manager.windowControllerArray().front();
        controller->onMouseDown(1);
        controller->onMouseUp(1);
        while (manager.isWorking()) {
            sample();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
    }
    for (int i = 0; i < 20; ++i) {
        settle();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    sample();
    peak = std::max({peak, overlay, memoryMiB("VmHWM:")});
    std::printf("memory before %.1f overlay %.1f peak %.1f after %.1f held %dx%d\n", before,
                overlay, peak, memoryMiB("VmRSS:"), kept.width(), kept.height());
    return kept.isNull() ? 3 : 0;
}

void BM_CaptureMemory(benchmark::State &state)
{
    const char *road = state.range(0) == 0 ? "baseline" : "new";
    double figures[4] = {};
    for (auto _ : state) {
        QProcess probe;
        probe.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--memory-probe=") + QLatin1String(road)});
        if (!probe.waitForFinished(120000) || probe.exitCode() != 0) {
            state.SkipWithError("the memory probe failed");
            return;
        }
        QList<QByteArray> words;
        for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
            if (line.startsWith("memory before "))
                words = line.split(' ');
        }
        if (words.size() < 9) {
            state.SkipWithError("the memory probe said nothing");
            return;
        }
        for (int i = 0; i < 4; ++i)
            figures[i] = words[2 + 2 * i].toDouble();
        state.SetIterationTime(1);
    }
    state.SetLabel(road);
    state.counters["before_MiB"] = figures[0];
    state.counters["overlay_MiB"] = figures[1];
    state.counters["peak_MiB"] = figures[2];
    state.counters["after_MiB"] = figures[3];
}

} // namespace

BENCHMARK(BM_StartToPaintedOverlays)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(16);
BENCHMARK(BM_ConfirmWholeScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(16);
BENCHMARK(BM_GrabEveryScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(16);
BENCHMARK(BM_JpegRoundTripOfTheFirstScreen)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(16);
BENCHMARK(BM_WindowPickOver200Windows)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CaptureMemory)->Arg(0)->Arg(1)->ArgName("road")->UseManualTime()->Iterations(1);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // The mouse rests in the middle of the primary screen, over the content: a click there takes
    // the whole screen.
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().center());
    for (int i = 1; i < argc; ++i) {
        if (qstrncmp(argv[i], "--memory-probe=", 15) == 0)
            return memoryProbe(argv[i] + 15);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    const bench::ScreenContent content;
    QStringList screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << QStringLiteral("%1x%2 at ratio %3")
                       .arg(screen->geometry().width())
                       .arg(screen->geometry().height())
                       .arg(screen->devicePixelRatio());
    std::fprintf(stderr, "platform %s, screens: %s\n", qPrintable(QGuiApplication::platformName()),
                 qPrintable(screens.join(QStringLiteral(", "))));
    // The capture prints its own lines on standard output; the figures go to standard error.
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
