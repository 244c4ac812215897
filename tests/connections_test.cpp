#include "graph/connections.h"

#include "graph/graph_state.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// n active nodes, all alive, no connections, growth or highlights.
void empty_graph(int n) {
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    std::memset(connection_highlight, 0, sizeof connection_highlight);
    std::memset(connection_progress, 0, sizeof connection_progress);
    for (int i = 0; i < node_capacity; ++i) {
        node_alive[i] = 1;
        nodes[i] = {100.0f + 10.0f * i, 100.0f, 0.0f, 0.0f, 0.0f};
    }
    controls[control_am].value = (float)n;
    scheduled_colors_created = 0;
}

void enable(int a, int b) {
    connection_enabled[pair_index(a, b)] = 1;
}

TEST(Growth, NothingWithOneNodeAndADeadNodeLosesItsHighlightAndShrinks) {
    empty_graph(1);
    enable(0, 1);
    update_connections(0.5f, 1.0f, 30.0);
    EXPECT_EQ(connection_progress[pair_index(0, 1)], 0.0f);
    EXPECT_EQ(scheduled_colors_created, 0);
    empty_graph(4);
    enable(1, 3);
    scheduled_colors_created = 3;
    connection_progress[pair_index(1, 3)] = 0.5f;
    connection_highlight[pair_index(1, 3)] = 2;
    node_alive[3] = 0;
    update_connections(0.01f, 0.5f, 5.0);
    EXPECT_LT(connection_progress[pair_index(1, 3)], 0.5f);
    EXPECT_EQ(connection_highlight[pair_index(1, 3)], 0);
}

TEST(Scheduled, FirstOnTheFirstEnabledPairThenAlongItAtMostThree) {
    empty_graph(20);  // a ceiling of 9 nodes at graph time 20
    enable(2, 4);
    enable(1, 5);
    enable(3, 4);
    enable(0, 3);  // first in row order
    update_connections(0.01f, 1.0f, 9.99);
    EXPECT_EQ(scheduled_colors_created, 0);
    update_connections(0.01f, 1.0f, 10.0);
    const uint8_t colour = connection_highlight[pair_index(0, 3)];
    EXPECT_NE(colour, 0);
    EXPECT_EQ(connection_progress[pair_index(0, 3)], 1.0f);
    update_connections(0.01f, 1.0f, 20.0);
    EXPECT_EQ(scheduled_colors_created, 3);
    EXPECT_EQ(connection_highlight[pair_index(3, 4)], colour);
    EXPECT_EQ(connection_highlight[pair_index(2, 4)], colour);
    EXPECT_EQ(connection_highlight[pair_index(1, 5)], 0);
    randomize_connections();
    update_connections(0.01f, 1.0f, 30.0);
    EXPECT_EQ(scheduled_colors_created, 3);
}

TEST(Spawn, NoRandomHighlightUnderALowCeiling) {
    empty_graph(30);  // before graph time 10: ceiling 1
    for (int b = 1; b < 30; ++b) {
        enable(0, b);
        connection_progress[pair_index(0, b)] = 1.0f;
    }
    for (int k = 0; k < 200; ++k) update_connections(0.5f, 1.0f, 9.0);
    EXPECT_EQ(rebuild_node_highlights(30), 0);
}

TEST(BlueWave, SpreadsFromTheScreenCentreFromBarThirtyTwo) {
    nodes[0] = {900.0f, 540.0f, 0, 0, 0};
    nodes[1] = {1020.0f, 540.0f, 0, 0, 0};  // midpoint (960, 540)
    nodes[2] = {1020.0f, 560.0f, 0, 0, 0};  // midpoint (960, 550)
    const double bar32 = 54.857142857142854;
    EXPECT_FALSE(connection_is_blue(bar32 - 1e-9, 0, 1));
    EXPECT_TRUE(connection_is_blue(bar32, 0, 1));
    EXPECT_FALSE(connection_is_blue(bar32, 0, 2));
    EXPECT_FALSE(connection_is_blue(bar32 + 9.9 / 140.0, 0, 2));
    EXPECT_TRUE(connection_is_blue(bar32 + 10.0 / 140.0, 0, 2));
}

}  // namespace
