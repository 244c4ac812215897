// Puts the global graph state into a known, empty shape for drawing tests.
#pragma once

#include "graph/graph_state.h"

#include <cstring>

inline void reset_graph_for_test(int n) {
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    std::memset(connection_highlight, 0, sizeof connection_highlight);
    std::memset(node_highlight, 0, sizeof node_highlight);
    std::memset(ghost_remaining, 0, sizeof ghost_remaining);
    std::memset(ghost_size, 0, sizeof ghost_size);
    std::memset(red_particles, 0, sizeof red_particles);
    for (int i = 0; i < node_capacity; ++i) {
        nodes[i] = Node{-500.0f, -500.0f, 0.0f, 0.0f, 0.0f};
        node_alive[i] = 1;
        node_death_time[i] = -1.0;
    }
    survivor_alone_since = -1.0;
    blue_survivor = -1;
    survivor_dance_initialized = 0;
    survivor_dance_omega = 0.0f;
    controls[control_am].value = (float)n;
    controls[control_sq].value = 17.0f;
    rebuild_parent_cache();
}

inline void place_node(int i, float x, float y) {
    nodes[i].x = x;
    nodes[i].y = y;
}

inline void connect_nodes(int a, int b) {
    connection_enabled[pair_index(a, b)] = 1;
    rebuild_parent_cache();
}
