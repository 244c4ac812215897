// The death walk's ends, which the reference runs are unlikely to reach.
#include "graph/lifecycle.h"

#include "graph/graph_state.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// n nodes at the centre, all linked to node 0; n - 1 births counted and one
// birth since the last death, so the next call kills.
void small_graph(int n) {
    clear_graph_state(n);
    for (int i = 0; i < node_capacity; ++i) nodes[i].x = 960.0f, nodes[i].y = 540.0f;
    for (int i = 1; i < n; ++i) connection_enabled[pair_index(0, i)] = 1;
    rebuild_parent_cache();
    last_lifecycle_count = n - 1;
    births_since_death = 1;
}

// A generator state whose next draw starts the walk at `start` (with a draw
// of exactly 1 if asked).
uint64_t state_starting_walk_at(int start, int n, bool draw_one) {
    for (uint64_t s = 0;; ++s) {
        rng_state = s;
        float r = rng_unit();
        if (draw_one && r != 1.0f) continue;
        if (std::min((int)(r * (float)n), n - 1) == start) return s;
    }
}

TEST(Lifecycle, WalkWrapsAroundAndADrawOfOneStartsAtTheLastNode) {
    small_graph(6);
    node_alive[5] = 0;
    rng_state = state_starting_walk_at(5, 6, false);
    update_lifecycle(60 * beat_seconds);
    EXPECT_EQ(node_alive[0], 0);
    small_graph(6);
    rng_state = state_starting_walk_at(5, 6, true);
    update_lifecycle(60 * beat_seconds);
    EXPECT_EQ(node_alive[5], 0);
    EXPECT_EQ(std::count(node_alive, node_alive + node_capacity, 0), 1);
}

}  // namespace
