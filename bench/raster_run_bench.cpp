// Our rasteriser alone over a whole run: every one of the 15480 frames of
// seed 42 drawn through the real offline frame loop into memory and handed
// to a look that does nothing with it (no file, no encoder). The frames
// also get the palette mapping that the look receives.
#include "app/program.h"
#include "graph/graph_state.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

void ignore_frame(void*, int64_t, const unsigned char*, const unsigned char*) {}

void BM_WholeRunDrawnByTheRasteriser(benchmark::State& state) {
    std::vector<int64_t> frames;
    for (int64_t f = 1; f <= 15480; ++f) frames.push_back(f);
    FrameInspection look = {frames.data(), (int)frames.size(), ignore_frame, nullptr};
    LaunchOptions options = {};
    options.seed_given = true;
    options.seed = 42;
    for (auto _ : state) {
        if (run_piece(options, &look) != 0) state.SkipWithError("the run failed");
    }
    state.counters["frames_per_second"] = benchmark::Counter(15480.0 * (double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_WholeRunDrawnByTheRasteriser)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
