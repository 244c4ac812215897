// Corners of the cull and the revival that the reference runs never reach.
#include "graph/blue_cull.h"
#include "graph/graph_state.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

namespace {

TEST(BlueCull, SurvivorWhenNobodyOrNoNodeIsLeft) {
    clear_graph_state(6);
    for (int i = 0; i < 6; ++i) node_alive[i] = 0, ghost_remaining[i] = 0.6f;
    update_blue_cull(0.2f, 71.5);  // nobody alive: node 0 returns without its ghost
    EXPECT_TRUE(blue_survivor == 0 && node_alive[0]);
    EXPECT_EQ(ghost_remaining[0], 0.0f);
    EXPECT_EQ(survivor_alone_since, 71.5);
    blue_survivor = 9;  // not below n: chosen again
    update_blue_cull(0.0f, 72.0);
    EXPECT_EQ(blue_survivor, 0);
    clear_graph_state(0);
    update_blue_cull(0.1f, 70.0);
    EXPECT_EQ(blue_survivor, -1);
}

// Survivor 0 dancing with omega 1 since 80 + four bars; the rest dead at (1000, 500).
void prepare_revival(int n) {
    clear_graph_state(n);
    for (int i = 0; i < n; ++i) nodes[i] = Node{1000.0f, 500.0f, 0.0f, 0.0f, 0.0f}, node_alive[i] = i == 0;
    blue_survivor = 0;
    survivor_alone_since = 80.0;
    survivor_dance_initialized = 1;
    survivor_dance_omega = 1.0f;
}

TEST(Revival, NoDanceNoDeadNodeAndAFrontOfLengthZero) {
    prepare_revival(2);  // distance 0: reached exactly at R0, not before
    EXPECT_FALSE(revival_all_blue(revival_start_time() - 1e-9));
    EXPECT_TRUE(revival_all_blue(revival_start_time()));
    node_alive[1] = 1;  // no dead node at all
    EXPECT_FALSE(revival_all_blue(revival_start_time() + 50.0));
    prepare_revival(2);
    survivor_dance_initialized = 0;
    EXPECT_FALSE(revival_all_blue(revival_start_time() + 50.0));
    survivor_dance_omega = 0.0f;  // a dance that never turns: the wave never starts
    EXPECT_EQ(revival_start_time(), circle_phase_start);
}

}  // namespace
