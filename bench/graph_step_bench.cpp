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
struct GraphSnapshot {
    Node nodes[node_capacity];
    uint8_t enabled[node_capacity * node_capacity];
    uint8_t highlight[node_capacity * node_capacity];
    float progress[node_capacity * node_capacity];
    uint8_t alive[node_capacity];
    uint8_t node_colour[node_capacity];
    double death_time[node_capacity];
    float ghost_sizes[node_capacity];
    float ghosts[node_capacity];
    RedParticle particles[red_particle_capacity];
    Control control_values[control_count];
    double alone_since;
    int32_t survivor, baked, dance_ready, births, lifecycle_count, scheduled, group_bleeder, particle_cursor;
    int64_t group_bleed, bleed;
    float omega, radius, angle, cull;
    uint64_t rng;
};

GraphSnapshot snapshot;

void save_graph(GraphSnapshot& s) {
    std::memcpy(s.nodes, nodes, sizeof nodes);
    std::memcpy(s.enabled, connection_enabled, sizeof connection_enabled);
    std::memcpy(s.highlight, connection_highlight, sizeof connection_highlight);
    std::memcpy(s.progress, connection_progress, sizeof connection_progress);
    std::memcpy(s.alive, node_alive, sizeof node_alive);
    std::memcpy(s.node_colour, node_highlight, sizeof node_highlight);
    std::memcpy(s.death_time, node_death_time, sizeof node_death_time);
    std::memcpy(s.ghost_sizes, ghost_size, sizeof ghost_size);
    std::memcpy(s.ghosts, ghost_remaining, sizeof ghost_remaining);
    std::memcpy(s.particles, red_particles, sizeof red_particles);
    std::memcpy(s.control_values, controls, sizeof controls);
    s.alone_since = survivor_alone_since;
    s.survivor = blue_survivor;
    s.baked = blue_transition_baked;
    s.dance_ready = survivor_dance_initialized;
    s.births = births_since_death;
    s.lifecycle_count = last_lifecycle_count;
    s.scheduled = scheduled_colors_created;
    s.group_bleeder = next_group_bleeder;
    s.particle_cursor = next_red_particle;
    s.group_bleed = last_group_bleed_beat;
    s.bleed = last_bleed_beat;
    s.omega = survivor_dance_omega;
    s.radius = survivor_dance_radius;
    s.angle = survivor_dance_angle;
    s.cull = blue_cull_accumulator;
    s.rng = rng_state;
}

void restore_graph(const GraphSnapshot& s) {
    std::memcpy(nodes, s.nodes, sizeof nodes);
    std::memcpy(connection_enabled, s.enabled, sizeof connection_enabled);
    std::memcpy(connection_highlight, s.highlight, sizeof connection_highlight);
    std::memcpy(connection_progress, s.progress, sizeof connection_progress);
    std::memcpy(node_alive, s.alive, sizeof node_alive);
    std::memcpy(node_highlight, s.node_colour, sizeof node_highlight);
    std::memcpy(node_death_time, s.death_time, sizeof node_death_time);
    std::memcpy(ghost_size, s.ghost_sizes, sizeof ghost_size);
    std::memcpy(ghost_remaining, s.ghosts, sizeof ghost_remaining);
    std::memcpy(red_particles, s.particles, sizeof red_particles);
    std::memcpy(controls, s.control_values, sizeof controls);
    survivor_alone_since = s.alone_since;
    blue_survivor = s.survivor;
    blue_transition_baked = s.baked;
    survivor_dance_initialized = s.dance_ready;
    births_since_death = s.births;
    last_lifecycle_count = s.lifecycle_count;
    scheduled_colors_created = s.scheduled;
    next_group_bleeder = s.group_bleeder;
    next_red_particle = s.particle_cursor;
    last_group_bleed_beat = s.group_bleed;
    last_bleed_beat = s.bleed;
    survivor_dance_omega = s.omega;
    survivor_dance_radius = s.radius;
    survivor_dance_angle = s.angle;
    blue_cull_accumulator = s.cull;
    rng_state = s.rng;
}

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
    save_graph(snapshot);
    const double rewind_at = blue_phase_start + 5.0;
    state.counters["ghosts"] = live_ghosts();
    state.counters["nodes"] = active_node_count();
    for (auto _ : state) {
        run_simulation_step(t, (float)seek_step);
        t += seek_step;
        if (t >= rewind_at) {
            state.PauseTiming();
            restore_graph(snapshot);
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
    save_graph(snapshot);
    for (auto _ : state) {
        run_simulation_step(t, (float)seek_step);
        t += seek_step;
        if (t >= blue_phase_start) {
            state.PauseTiming();
            restore_graph(snapshot);
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
