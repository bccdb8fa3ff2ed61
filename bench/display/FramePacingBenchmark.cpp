// How close the app's run loop fires the frame timer to each tick's due time while every tick
// draws a frame, as the display does: |fired - due| per tick (median, 99th percentile, largest)
// and the ticks lost, at 120 and 60 frames a second, frames drawn through GL or on the CPU (as
// the app's display view draws them). Each run lasts SWEEPLIGHT_PACING_SECONDS (default 10) of
// real time.
//
//   frame_pacing_bench
#include "display/WaveDisplay.h"
#include "foundation/QtRunLoop.h"

#include <QEventLoop>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace sweeplight;

namespace {

double runSeconds() {
    const char* text = std::getenv("SWEEPLIGHT_PACING_SECONDS");
    const double seconds = text ? std::atof(text) : 10.0;
    return seconds > 0 ? seconds : 10.0;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index =
        static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

void BM_FramePacing(benchmark::State& state) {
    std::unique_ptr<display::WaveDisplay> display = display::WaveDisplay::create();
    if (!display) {
        state.SkipWithError("no OpenGL ES 1.1 context");
        return;
    }
    display->setSoftwareFrames(state.range(1) != 0);
    display->setMessage(QStringLiteral(" h e l l o "));
    display->setRainbowMode(true);
    const int length = display->strip().messageLength();
    const double interval = 1.0 / static_cast<double>(state.range(0));
    const double seconds = runSeconds();
    foundation::QtRunLoop runLoop;

    for (auto _ : state) {
        std::vector<double> errors;
        errors.reserve(static_cast<std::size_t>(seconds / interval) + 16);
        long ticks = 0;
        long lastIndex = 0;
        QEventLoop events;
        const double start = runLoop.now();
        const auto timer = runLoop.scheduleRepeating(interval, [&] {
            const double fired = runLoop.now();
            // The grid point this tick belongs to; a tick up to a quarter period early counts as
            // early, not as the previous one late.
            const long index = static_cast<long>(std::floor((fired - start) / interval + 0.25));
            errors.push_back(std::abs(fired - (start + static_cast<double>(index) * interval)));
            ++ticks;
            lastIndex = index;
            if (display->messagePointer() == length - 1)
                display->setMessagePointer(0);
            display->drawView();
            if (fired - start >= seconds)
                events.quit();
        });
        events.exec();
        runLoop.cancel(timer);

        state.SetIterationTime(runLoop.now() - start);
        state.counters["p50_ms"] = percentile(errors, 0.50) * 1e3;
        state.counters["p99_ms"] = percentile(errors, 0.99) * 1e3;
        state.counters["max_ms"] = percentile(errors, 1.0) * 1e3;
        state.counters["ticks"] = static_cast<double>(ticks);
        state.counters["lost"] = static_cast<double>(lastIndex - ticks);
    }
}
BENCHMARK(BM_FramePacing)
    ->ArgsProduct({ { 120, 60 }, { 0, 1 } })
    ->ArgNames({ "hz", "software" })
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace
