// Blank graph state for hand-built simulation tests: every node alive at
// (0, 0) with no ghost, no connections or particles, scalars at their
// starting values, SQ = 17 and AM = n.
#pragma once

#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstring>

inline void clear_graph_state(int n) {
    std::memset(nodes, 0, sizeof nodes);
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    std::memset(connection_highlight, 0, sizeof connection_highlight);
    std::memset(connection_progress, 0, sizeof connection_progress);
    std::memset(node_highlight, 0, sizeof node_highlight);
    std::memset(ghost_size, 0, sizeof ghost_size);
    std::memset(ghost_remaining, 0, sizeof ghost_remaining);
    std::memset(red_particles, 0, sizeof red_particles);
    for (int i = 0; i < node_capacity; ++i) node_alive[i] = 1, node_death_time[i] = -1.0;
    survivor_alone_since = -1.0;
    blue_survivor = -1;
    last_group_bleed_beat = last_bleed_beat = -1;
    blue_transition_baked = survivor_dance_initialized = 0;
    survivor_dance_omega = survivor_dance_radius = survivor_dance_angle = blue_cull_accumulator = 0.0f;
    births_since_death = last_lifecycle_count = scheduled_colors_created = 0;
    next_group_bleeder = next_red_particle = 0;
    controls[control_am].value = (float)n;
    controls[control_sq].value = 17.0f;
}

// Steps the graph from the blank state and the start-up layout of seed up
// to bar 96 in the start seek's 1/60 s steps. Growth values and the
// scheduled-highlight count outlive a reseed, hence the blank start.
inline void simulate_graph_span(uint64_t seed) {
    clear_graph_state(0);
    layout_seed = seed;
    build_startup_layout();
    for (double t = 0.0; t < circle_phase_start;) {
        double t_next = std::min(circle_phase_start, t + 0.016666666666666666);
        run_simulation_step(t, (float)(t_next - t));
        t = t_next;
    }
}
