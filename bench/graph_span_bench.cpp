// Cost of simulating the whole graph span, song time 0 up to bar 96, in the
// start seek's 1/60 s steps: the longest start seek the program can do.
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

void BM_GraphSpan(benchmark::State& state) {
    uint64_t seed = (uint64_t)state.range(0);
    for (auto _ : state) {
        simulate_graph_span(seed);
        benchmark::DoNotOptimize(nodes[0].x);
    }
}
BENCHMARK(BM_GraphSpan)->Arg(0)->Arg(4711)->Unit(benchmark::kMillisecond);

// The same span stopped at bar 32, to tell the capture phase from the rest.
void BM_GraphCapturePhase(benchmark::State& state) {
    for (auto _ : state) {
        clear_graph_state(0);
        layout_seed = 4711;
        build_startup_layout();
        double t = 0.0;
        while (t < blue_phase_start) {
            double t_next = t + 0.016666666666666666;
            run_simulation_step(t, (float)(t_next - t));
            t = t_next;
        }
        benchmark::DoNotOptimize(nodes[0].x);
    }
}
BENCHMARK(BM_GraphCapturePhase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
