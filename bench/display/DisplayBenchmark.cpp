// Cost of the display's per-event paths: one frame (draw and present, read back included), and
// one accelerometer sample through the sweep tracker and through steady letters' swing model.
//
//   display_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include "display/SweepTracker.h"
#include "display/SwingModel.h"
#include "display/WaveDisplay.h"
#include "foundation/Log.h"

#include <QImage>
#include <benchmark/benchmark.h>
#include <cmath>
#include <memory>

using namespace sweeplight;
using display::WaveDisplay;

namespace {

std::unique_ptr<WaveDisplay> makeDisplay(benchmark::State& state) {
    std::unique_ptr<WaveDisplay> display = WaveDisplay::create();
    if (!display)
        state.SkipWithError("no OpenGL ES 1.1 context");
    return display;
}

// A column frame of the padded message "hello": the cursor walks the strip, so lit and dark
// columns alternate as they do in the air.
void BM_ColumnFrame(benchmark::State& state) {
    std::unique_ptr<WaveDisplay> display = makeDisplay(state);
    if (!display)
        return;
    display->setMessage(QStringLiteral(" h e l l o "));
    display->setRainbowMode(state.range(0) != 0);
    const int length = display->strip().messageLength();
    for (auto _ : state) {
        if (display->messagePointer() == length - 1)
            display->setMessagePointer(0);
        benchmark::DoNotOptimize(display->drawView());
    }
    state.SetLabel(display->rendererDescription());
}
// Wall time: llvmpipe rasterises on its own threads, so CPU time of this thread says little.
BENCHMARK(BM_ColumnFrame)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("rainbow")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// A picture frame: every row of the picture column is a LED of its own colour. The picture
// varies along both axes, so no two neighbouring LEDs or columns share a colour. Heights: the
// 16 rows of the app's pictures, one row per screen pixel (480), and the tallest the size cap
// allows with a usual width (4096).
void BM_PictureFrame(benchmark::State& state) {
    std::unique_ptr<WaveDisplay> display = makeDisplay(state);
    if (!display)
        return;
    const int height = static_cast<int>(state.range(0));
    QImage picture(64, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y,
                             qRgb((y * 37 + x * 11) & 0xff, (y * 13) & 0xff, (x * 53 + y) & 0xff));
    display->setImageRef(picture);
    display->setInImageMode(true);
    display->setInRepeatMode(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(display->drawView());
}
BENCHMARK(BM_PictureFrame)
    ->Arg(16)
    ->Arg(480)
    ->Arg(4096)
    ->ArgName("rows")
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// One sample of a 2 Hz, 1.5 g swing at 70 Hz, turn-arounds (and their log lines) included.
void BM_TrackerSample(benchmark::State& state) {
    foundation::LogSink previous = foundation::setLogSink([](std::string_view) {});
    display::SweepTracker tracker;
    int turns = 0;
    tracker.onTurn = [&turns](bool) { ++turns; };
    long sample = 0;
    for (auto _ : state) {
        const double x = 1.5 * std::sin(2 * M_PI * 2.0 * static_cast<double>(sample++) / 70.0);
        tracker.didAccelerate(x, -1, 0);
    }
    benchmark::DoNotOptimize(turns);
    foundation::setLogSink(std::move(previous));
}
BENCHMARK(BM_TrackerSample);

// One sample at 100 Hz of a 1.5 Hz swing whose halves differ (a second harmonic), the way a
// hand's do: the means run over the most samples, and the tilt is averaged over a swing too.
void BM_SwingModelSample(benchmark::State& state) {
    display::SwingModel model;
    long sample = 0;
    for (auto _ : state) {
        const double t = static_cast<double>(sample++) / 100.0;
        const double theta = 2 * M_PI * 1.5 * t;
        model.addSample(t, 1.5 * std::sin(theta) + 0.6 * std::sin(2 * theta + 0.9));
    }
    benchmark::DoNotOptimize(model.turnCount());
}
BENCHMARK(BM_SwingModelSample)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
