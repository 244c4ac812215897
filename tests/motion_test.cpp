#include "graph/motion.h"

#include "graph/graph_state.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const float cx = 1017.5999755859375f;
const float cy = 550.7999877929688f;
const double four_bars = 6.857142857142857;

// Every node 300 px right of the swirl centre, alive, no survivor.
void quiet_graph(int n) {
    for (int i = 0; i < node_capacity; ++i) {
        nodes[i] = {cx + 300.0f, cy, 0.0f, 0.0f, 0.0f};
        node_alive[i] = 1;
    }
    controls[control_am].value = (float)n;
    blue_survivor = -1;
    survivor_alone_since = -1.0;
    survivor_dance_initialized = 0;
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
    nodes[0] = {-11.0f, 500.0f, -1000.0f, 0.0f, 0.0f};
    nodes[1] = {1931.0f, 500.0f, 1000.0f, 0.0f, 0.0f};
    nodes[2] = {900.0f, -11.0f, 0.0f, -1000.0f, 0.0f};
    nodes[3] = {900.0f, 1091.0f, 0.0f, 1000.0f, 0.0f};
    nodes[4] = {cx, cy, 0.0f, 0.0f, 0.0f};
    node_alive[4] = 0;  // dead: no wander, and r = 1 with no direction
    update_nodes(0.01f, 20.0);
    EXPECT_EQ(nodes[0].x, 1932.0f);
    EXPECT_EQ(nodes[1].x, -12.0f);
    EXPECT_EQ(nodes[2].y, 1092.0f);
    EXPECT_EQ(nodes[3].y, -12.0f);
    EXPECT_EQ(nodes[4].x, cx);
    EXPECT_EQ(nodes[4].y, cy);
}

TEST(Dance, AngleOffsetJoinsWithoutJumps) {
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
    const double start = (70.0 + four_bars) * 0.5;
    update_nodes(0.01f, start - 0.01);
    EXPECT_EQ(survivor_dance_initialized, 0);
    float x = nodes[1].x, y = nodes[1].y;
    update_nodes(0.01f, start);
    ASSERT_EQ(survivor_dance_initialized, 1);
    EXPECT_NEAR(nodes[1].x, x, 1e-3);
    EXPECT_NEAR(nodes[1].y, y, 1e-3);
    float r = std::hypot(x - cx, y - cy);
    EXPECT_FLOAT_EQ(survivor_dance_omega, (0.43f * 96.0f + 136.0f) / r * 0.5f);
    update_nodes(0.01f, start + 3.0);
    EXPECT_NEAR(std::hypot(nodes[1].x - cx, nodes[1].y - cy), r, 1e-2);
}

// Dead node 0 has stagger 0: its swirl is unchanged until the survivor
// stops, tangentially still half a period later, reversed after a period.
TEST(Dance, DeadNodesReverseTheirSwirlOnceTheSurvivorStops) {
    const float omega = 0.5f, period = 6.2831855f / omega;
    auto tangential_step = [&](double s) {
        quiet_graph(3);
        node_alive[0] = 0;
        blue_survivor = 1;
        survivor_alone_since = 70.0;
        survivor_dance_initialized = 1;
        survivor_dance_omega = omega;
        update_nodes(0.001f, s * 0.5);
        return nodes[0].y - cy;
    };
    const double stop = 70.0 + four_bars + (double)(1.15f * period);
    float forward = tangential_step(stop - 0.5);
    EXPECT_GT(forward, 0.0f);
    EXPECT_NEAR(tangential_step(stop + period * 0.5), 0.0f, 1e-4);
    EXPECT_NEAR(tangential_step(stop + period * 2.0), -forward, 1e-4);
}

}  // namespace
