// The headless renderer's run: 60 s of a simulated 2 Hz swing at 120 frames a second, with the
// onlooker's long exposure (what --out writes) and with the per-frame record only (--frames).
//
//   render_tool_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "RenderSession.h"

#include <benchmark/benchmark.h>
#include <string>

using sweeplight::render::RenderSession;

namespace {

void BM_SwingRun(benchmark::State& state) {
    RenderSession::Options options;
    options.message = RenderSession::shellMessage(QStringLiteral("hello world"));
    options.rainbow = true;
    options.seconds = 60;
    options.expose = state.range(0) != 0;
    for (auto _ : state) {
        std::string error;
        std::unique_ptr<RenderSession> session = RenderSession::create(options, error);
        if (!session) {
            state.SkipWithError(error.c_str());
            return;
        }
        session->run();
        benchmark::DoNotOptimize(session->frames().size());
    }
}
BENCHMARK(BM_SwingRun)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("expose")
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
