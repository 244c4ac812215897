// Cost of the graph simulation: one step at the full node count with ghosts
// on screen, and the whole opening as the start seek runs it.
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "timeline/timeline.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

namespace {

const double seek_step = 0.016666666666666666;

// Steps the simulation from `from` up to `to` the way the start seek does.
double simulate_span(double from, double to) {
    double t = from;
    while (t < to) {
        double t_next = std::min(to, t + seek_step);
        run_simulation_step(t, (float)(t_next - t));
        t = t_next;
    }
    return t;
}

void start_piece(uint64_t seed) {
    layout_seed = seed;
    build_startup_layout();
}

// Every piece of graph state a step can change.
GraphState snapshot;

int live_ghosts() {
    int count = 0;
    for (int i = 0; i < node_capacity; ++i) count += ghost_remaining[i] > 0.0f;
    return count;
}

// Steps at n = 202 between the end of bar 32 and the cull, ghosts still
// wearing away; the state is rewound every few seconds of song time so the
// ghosts never run out.
void BM_SimulationStepFullGraph(benchmark::State& state) {
    start_piece(7);
    double t = simulate_span(0.0, blue_phase_start + 0.5);
    snapshot = graph;
    const double rewind_at = blue_phase_start + 5.0;
    state.counters["ghosts"] = live_ghosts();
    state.counters["nodes"] = active_node_count();
    for (auto _ : state) {
        run_simulation_step(t, (float)seek_step);
        t += seek_step;
        if (t >= rewind_at) {
            state.PauseTiming();
            graph = snapshot;
            t = blue_phase_start + 0.5;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_SimulationStepFullGraph)->Unit(benchmark::kMicrosecond);

// Steps late in the opening: births, deaths and captures every beat.
void BM_SimulationStepLateOpening(benchmark::State& state) {
    start_piece(7);
    const double from = 50.0;
    double t = simulate_span(0.0, from);
    snapshot = graph;
    for (auto _ : state) {
        run_simulation_step(t, (float)seek_step);
        t += seek_step;
        if (t >= blue_phase_start) {
            state.PauseTiming();
            graph = snapshot;
            t = from;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_SimulationStepLateOpening)->Unit(benchmark::kMicrosecond);

// The whole opening, 0 to the end of bar 32, in start-seek steps.
void BM_WholeOpening(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        start_piece(7);
        state.ResumeTiming();
        benchmark::DoNotOptimize(simulate_span(0.0, blue_phase_start));
    }
}
BENCHMARK(BM_WholeOpening)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
