// Puts the global graph state into a known, empty shape for drawing tests:
// the blank state with every node parked off screen.
#pragma once

#include "tests/support/blank_graph_state.h"

inline void reset_graph_for_test(int n) {
    clear_graph_state(n);
    for (int i = 0; i < node_capacity; ++i) nodes[i] = Node{-500.0f, -500.0f, 0.0f, 0.0f, 0.0f};
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
