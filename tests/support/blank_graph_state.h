// Blank graph state for hand-built simulation tests: every node alive at
// (0, 0) with no ghost, no connections or particles, scalars at their
// starting values, SQ = 17 and AM = n.
#pragma once

#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "timeline/timeline.h"

#include <algorithm>

inline void clear_graph_state(int n) {
    static const GraphState blank{};
    graph = blank;
    for (int i = 0; i < node_capacity; ++i) node_alive[i] = 1, node_death_time[i] = -1.0;
    controls[control_am].value = (float)n;
}

// Steps the graph from the blank state and the start-up layout of seed up
// to bar 96 in the start seek's 1/60 s steps. Growth values and the
// scheduled-highlight count outlive a reseed, hence the blank start.
inline void simulate_graph_span(uint64_t seed) {
    clear_graph_state(0);
    layout_seed = seed;
    build_startup_layout();
    for (double t = 0.0; t < circle_phase_start;) {
        double t_next = std::min(circle_phase_start, t + frame_seconds);
        run_simulation_step(t, (float)(t_next - t));
        t = t_next;
    }
}
