// Capture timings on the display the program runs on: from startCapture to a painted overlay on
// every screen, the confirmation of a whole-screen selection, and the window pick over a long
// window list. Run it under with-x11-session at each screen size of interest.
#include "FakeDesktop.h"
#include "ScreenShotController.h"
#include "ScreenShotManager.h"
#include "ScreenShotWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

using namespace lumeno;

namespace {

// Runs the event loop until every panel of the open capture has painted once.
void waitForOverlays(ScreenShotManager &manager)
{
    const auto controllers = manager.windowControllerArray();
    int painted = 0;
    for (ScreenShotController *controller : controllers)
        QObject::connect(controller->window(), &ScreenShotWindow::painted, controller,
                         [&painted] { ++painted; }, Qt::SingleShotConnection);
    while (painted < static_cast<int>(controllers.size()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double secondsSince(const QElapsedTimer &timer) { return timer.nsecsElapsed() / 1e9; }

void BM_StartToPaintedOverlays(benchmark::State &state)
{
    ScreenShotManager &manager = ScreenShotManager::shared();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        manager.startCapture();
        waitForOverlays(manager);
        state.SetIterationTime(secondsSince(timer));
        manager.endCapture(std::nullopt);
        QCoreApplication::processEvents();
    }
}

void BM_ConfirmWholeScreen(benchmark::State &state)
{
    ScreenShotManager &manager = ScreenShotManager::shared();
    for (auto _ : state) {
        manager.startCapture();
        waitForOverlays(manager);
        ScreenShotController *controller = manager.windowControllerArray().front();
        QElapsedTimer timer;
        timer.start();
        controller->confirmCapture();
        state.SetIterationTime(secondsSince(timer));
        QCoreApplication::processEvents();
    }
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

} // namespace

BENCHMARK(BM_StartToPaintedOverlays)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_ConfirmWholeScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_WindowPickOver200Windows)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QScreen *primary = QGuiApplication::primaryScreen();
    std::printf("platform %s, primary screen %dx%d\n", qPrintable(QGuiApplication::platformName()),
                primary->geometry().width(), primary->geometry().height());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
