#include "capture/capture_timing.h"
#include "graph/blue_cull.h"
#include "graph/graph_state.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(BlueCull, KillsFromTheTopDownAtTwentyPerSecond) {
    clear_graph_state(10);
    node_alive[8] = 0;  // already dead: passed over
    update_blue_cull(0.12f, 70.0);
    EXPECT_EQ(blue_survivor, 0);
    EXPECT_FALSE(node_alive[9] || node_alive[7]);
    EXPECT_TRUE(node_alive[6]);
    EXPECT_EQ(ghost_remaining[9], 1.0f);
    EXPECT_EQ(ghost_size[7], 17.0f);
    EXPECT_EQ(node_death_time[9], -1.0);
    EXPECT_NEAR(blue_cull_accumulator, 0.02f, 1e-6f);
}

TEST(BlueCull, SurvivorIsTheLowestLiveNodeAndAloneFromTheLastKill) {
    clear_graph_state(6);
    node_alive[0] = node_alive[1] = 0;
    update_blue_cull(0.0f, 70.0);
    EXPECT_EQ(blue_survivor, 2);
    blue_survivor = 9;  // not below n: chosen again
    update_blue_cull(0.0f, 70.0);
    EXPECT_EQ(blue_survivor, 2);
    for (int i = 0; i < 6; ++i) node_alive[i] = 0, ghost_remaining[i] = 0.6f;
    update_blue_cull(0.2f, 71.5);  // nobody alive: node 0 returns without its ghost
    EXPECT_TRUE(blue_survivor == 0 && node_alive[0]);
    EXPECT_EQ(ghost_remaining[0], 0.0f);
    EXPECT_EQ(survivor_alone_since, 71.5);
    clear_graph_state(0);
    update_blue_cull(0.1f, 70.0);
    EXPECT_EQ(blue_survivor, -1);

    clear_graph_state(3);
    const double when[3] = {70.0, 70.05, 70.1}, alone_since[3] = {-1.0, 70.05, 70.05};
    const float dt[3] = {0.05f, 0.05f, 0.5f};
    for (int k = 0; k < 3; ++k) {
        update_blue_cull(dt[k], when[k]);
        EXPECT_EQ(survivor_alone_since, alone_since[k]) << k;
    }
    EXPECT_TRUE(node_alive[0]);
}

TEST(BakeBlueTransition, DropsUncapturedNodesAndFreezesTheSwayWithoutAJump) {
    clear_graph_state(6);
    float x0[6], y0[6];
    for (int i = 0; i < 6; ++i) {  // a chain; node 3 lies far from node 2
        x0[i] = i < 3 ? 300.0f + 100.0f * i : 1700.0f, y0[i] = i < 3 ? 200.0f + 50.0f * i : 1000.0f - 50.0f * i;
        nodes[i] = Node{x0[i], y0[i], 0.0f, 0.0f, 0.5f * i};
        if (i > 0) connection_enabled[pair_index(i - 1, i)] = 1;
    }
    rebuild_parent_cache();
    node_alive[1] = 0;  // a lifecycle death keeps its ghost and is swayed
    ghost_remaining[1] = 0.8f;
    ghost_remaining[5] = 0.4f;
    double t = capture_start_time(3) + 0.5;
    ASSERT_GT(capture_start_time(4), t + 1.0);
    float fx[4], fy[4];
    for (int i = 0; i < 4; ++i) floating_position(i, blue_phase_start, &fx[i], &fy[i]);
    bake_blue_transition(t);
    for (int i = 0; i < 4; ++i) {
        double p = 0.5f * i;  // the sway frozen at bar 32, where it was last drawn
        EXPECT_EQ(nodes[i].x, x0[i] + 30.0f * (float)std::sin(p + 23.04)) << i;
        EXPECT_EQ(nodes[i].y, y0[i] + 22.0f * (float)std::cos(1.31 * p + 16.8192)) << i;
        EXPECT_TRUE(std::fabs(nodes[i].x - fx[i]) < 1e-3f && std::fabs(nodes[i].y - fy[i]) < 1e-3f) << i;
    }
    EXPECT_EQ(ghost_remaining[1], 0.8f);
    for (int i = 4; i < 6; ++i)
        EXPECT_TRUE(!node_alive[i] && ghost_remaining[i] == 0.0f && node_death_time[i] == -1.0 && nodes[i].x == x0[i]) << i;
    const float baked_x = nodes[0].x;
    bake_blue_transition(t + 100.0);  // only once
    EXPECT_EQ(nodes[0].x, baked_x);
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

TEST(Revival, StartTimeNumberingAndParents) {
    prepare_revival(120);
    EXPECT_EQ(revival_start_time(), 80.0 + 6.857142857142857 + (double)(2.15f * 6.2831855f) + 6.857142857142857);
    node_alive[5] = 1;  // live nodes take no number
    int dead[node_capacity];
    ASSERT_EQ(list_revival_nodes(dead), 118);
    EXPECT_TRUE(dead[3] == 4 && dead[4] == 6);
    const int k_of[3] = {79, 80, 84}, parent[3] = {0, 1, 6};
    for (int c = 0; c < 3; ++c) EXPECT_EQ(revival_parent(dead, k_of[c]), parent[c]) << k_of[c];
    survivor_dance_omega = 0.0f;
    EXPECT_EQ(revival_start_time(), circle_phase_start);
}

TEST(Revival, AllBlueOnlyWhenEveryFrontHasArrived) {
    prepare_revival(4);
    for (int i = 1; i < 4; ++i) nodes[i].x = 1100.0f;  // 100 px from the survivor
    double r0 = revival_start_time(), last_arrival = r0 + 0.24 + 100.0 / 360.0;
    EXPECT_FALSE(revival_all_blue(r0 - 0.5));
    EXPECT_FALSE(revival_all_blue(last_arrival - 0.001));  // node 3 not reached yet
    EXPECT_TRUE(revival_all_blue(last_arrival + 0.001));
    survivor_dance_initialized = 0;
    EXPECT_FALSE(revival_all_blue(last_arrival + 10.0));

    prepare_revival(2);  // distance 0: reached exactly at R0, not before
    EXPECT_FALSE(revival_all_blue(revival_start_time() - 1e-9));
    EXPECT_TRUE(revival_all_blue(revival_start_time()));
    node_alive[1] = 1;  // no dead node at all
    EXPECT_FALSE(revival_all_blue(revival_start_time() + 50.0));

    prepare_revival(82);  // the path of k = 80 is measured from its dead parent, node 1
    nodes[1].x = 1800.0f;
    nodes[81].x = 1810.0f;
    EXPECT_TRUE(revival_all_blue(revival_start_time() + 9.6 + 10.0 / 360.0 + 0.001));
}

}  // namespace
