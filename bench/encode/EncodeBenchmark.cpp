#include "ImageEncoding.h"
#include "ScreenshotImage.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <benchmark/benchmark.h>

using namespace lumeno;

namespace {

const QImage &image(int height)
{
    static const QImage full = bench::screenshotLikeImage(1920, 1080);
    static const QImage uhd = bench::screenshotLikeImage(3840, 2160);
    return height == 1080 ? full : uhd;
}

// Baseline: Qt's PNG writer at one quality (-1 is Qt's default, zlib level 6; 80 is level 1;
// 90 and above write uncompressed), then Base64. Reports the PNG size.
void pngAtQuality(benchmark::State &state)
{
    const QImage &source = image(static_cast<int>(state.range(0)));
    const int quality = static_cast<int>(state.range(1));
    qsizetype pngBytes = 0;
    for (auto _ : state) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(quality);
        writer.write(source);
        benchmark::DoNotOptimize(png.toBase64());
        pngBytes = png.size();
    }
    state.counters["png_KiB"] = static_cast<double>(pngBytes) / 1024.0;
}

// The exact code the recognition run uses.
void recognitionEncoding(benchmark::State &state)
{
    const QImage &source = image(static_cast<int>(state.range(0)));
    qsizetype pngBytes = 0;
    for (auto _ : state) {
        const auto encoded = encodePngBase64(source);
        pngBytes = encoded ? encoded->size() * 3 / 4 : 0;
        benchmark::DoNotOptimize(encoded);
    }
    state.counters["png_KiB"] = static_cast<double>(pngBytes) / 1024.0;
}

} // namespace

BENCHMARK(pngAtQuality)
    ->ArgsProduct({{1080, 2160}, {-1, 80, 90}})
    ->ArgNames({"height", "quality"})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);
BENCHMARK(recognitionEncoding)
    ->Arg(1080)
    ->Arg(2160)
    ->ArgName("height")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts for drawing the test image's text
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
