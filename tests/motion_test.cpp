#include "graph/motion.h"

#include "graph/graph_state.h"
#include "tests/support/blank_graph_state.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const float cx = 1017.5999755859375f;
const float cy = 550.7999877929688f;
const double four_bars = 6.857142857142857;

// Every node alive, 300 px right of the swirl centre; no survivor.
void quiet_graph(int n) {
    clear_graph_state(n);
    for (int i = 0; i < node_capacity; ++i) nodes[i].x = cx + 300.0f, nodes[i].y = cy;
}

TEST(Swirl, StillBeforeTwentyThenDriftGivesWayToTheSwirl) {
    quiet_graph(2);
    nodes[1].vx = 1000.0f;
    update_nodes(100.0f, 19.999);
    EXPECT_EQ(nodes[1].x, cx + 300.0f);
    update_nodes(0.001f, 20.0);  // weight at most ramp2: mostly drift
    EXPECT_GT(nodes[1].x - (cx + 300.0f), 1.8f * 0.9f);
    quiet_graph(2);
    nodes[1].vx = 1000.0f;
    update_nodes(0.001f, 30.0);  // pure swirl: tangent +y, radial pull only
    EXPECT_NEAR(nodes[1].x - (cx + 300.0f), (0.67f * 310.0f + 150.0f - 300.0f) * 0.16f * 0.001f, 1e-4);
    EXPECT_NEAR(nodes[1].y - cy, (0.43f * 96.0f + 136.0f) * 0.001f, 1e-4);
}

TEST(Swirl, WrapsTwelvePixelsBeyondEachEdgeAndSurvivesTheCentre) {
    quiet_graph(5);
    const Node before[5] = {{-11, 500, -1000, 0, 0}, {1931, 500, 1000, 0, 0}, {900, -11, 0, -1000, 0},
                            {900, 1091, 0, 1000, 0}, {cx, cy, 0, 0, 0}};
    const float after[5][2] = {{1932, 500}, {-12, 500}, {900, 1092}, {900, -12}, {cx, cy}};
    for (int i = 0; i < 5; ++i) nodes[i] = before[i];
    node_alive[4] = 0;  // dead at the centre: no wander, r = 1 with no direction
    update_nodes(0.01f, 20.0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(i < 2 ? nodes[i].x : nodes[i].y, after[i][i < 2 ? 0 : 1]) << i;
    EXPECT_TRUE(nodes[4].x == cx && nodes[4].y == cy);
}

TEST(Dance, AngleOffsetJoinsItsThreePiecesWithoutJumps) {
    const float omega = 0.8f, period = 6.2831855f / omega, e = 1e-3f;
    auto phi = [&](float u) { return dance_angle_offset(u, omega); };
    auto speed = [&](float u) { return (phi(u + e) - phi(u - e)) / (2 * e); };
    EXPECT_NEAR(phi(1.15f * period), 1.15 * M_PI, 1e-4);
    EXPECT_NEAR(phi(2.15f * period), 0.15 * M_PI, 1e-4);
    const float speeds[4][2] = {{e, omega}, {1.15f * period, 0.0f}, {2.15f * period, -omega}, {3 * period, -omega}};
    for (const auto& s : speeds) EXPECT_NEAR(speed(s[0]), s[1], 2e-2) << s[0];
}

TEST(Dance, StartsWhereTheSurvivorStandsFourBarsAfterItWasLeftAlone) {
    quiet_graph(3);
    node_alive[0] = node_alive[2] = 0;
    blue_survivor = 1;
    survivor_alone_since = 70.0;
    nodes[1] = {cx + 200.0f, cy + 100.0f, 0.0f, 0.0f, 0.0f};
    const double start = (70.0 + four_bars) * 0.5;  // graph time runs at half speed
    update_nodes(0.01f, start - 0.01);
    EXPECT_EQ(survivor_dance_initialized, 0);
    float x = nodes[1].x, y = nodes[1].y, r = std::hypot(x - cx, y - cy);
    update_nodes(0.01f, start);
    ASSERT_EQ(survivor_dance_initialized, 1);
    EXPECT_NEAR(nodes[1].x, x, 1e-3);
    EXPECT_NEAR(nodes[1].y, y, 1e-3);
    EXPECT_FLOAT_EQ(survivor_dance_omega, (0.43f * 96.0f + 136.0f) / r * 0.5f);
    update_nodes(0.01f, start + 3.0);
    EXPECT_NEAR(std::hypot(nodes[1].x - cx, nodes[1].y - cy), r, 1e-2);
}

}  // namespace
