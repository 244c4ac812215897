#include "graph/connections.h"

#include "graph/graph_state.h"
#include "tests/support/blank_graph_state.h"

#include <gtest/gtest.h>

namespace {

uint8_t& highlight(int a, int b) { return connection_highlight[pair_index(a, b)]; }
float& progress(int a, int b) { return connection_progress[pair_index(a, b)]; }

TEST(Growth, NoneForOneNodeAndADeadEndLosesItsHighlight) {
    clear_graph_state(1);
    connection_enabled[pair_index(0, 1)] = 1;
    update_connections(0.5f, 1.0f, 30.0);
    EXPECT_EQ(progress(0, 1), 0.0f);
    EXPECT_EQ(scheduled_colors_created, 0);
    clear_graph_state(4);
    connection_enabled[pair_index(1, 3)] = 1;
    scheduled_colors_created = 3;
    progress(1, 3) = 0.5f;
    highlight(1, 3) = 2;
    node_alive[3] = 0;
    update_connections(0.01f, 0.5f, 5.0);
    EXPECT_LT(progress(1, 3), 0.5f);
    EXPECT_EQ(highlight(1, 3), 0);
}

TEST(Highlights, ScheduledAlongTheFirstPairAtMostThreeAndNoneRandomUnderALowCeiling) {
    clear_graph_state(20);  // a ceiling of 9 nodes at graph time 20
    for (int pair : {pair_index(2, 4), pair_index(1, 5), pair_index(3, 4), pair_index(0, 3)}) connection_enabled[pair] = 1;
    update_connections(0.01f, 1.0f, 9.99);
    EXPECT_EQ(scheduled_colors_created, 0);
    update_connections(0.01f, 1.0f, 10.0);
    const uint8_t colour = highlight(0, 3);  // the first pair in row order
    EXPECT_NE(colour, 0);
    EXPECT_EQ(progress(0, 3), 1.0f);
    update_connections(0.01f, 1.0f, 20.0);
    EXPECT_EQ(scheduled_colors_created, 3);
    EXPECT_EQ(highlight(3, 4), colour);
    EXPECT_EQ(highlight(2, 4), colour);
    EXPECT_EQ(highlight(1, 5), 0);
    randomize_connections();
    update_connections(0.01f, 1.0f, 30.0);
    EXPECT_EQ(scheduled_colors_created, 3);

    clear_graph_state(30);  // before graph time 10: ceiling 1
    for (int b = 1; b < 30; ++b) connection_enabled[pair_index(0, b)] = 1, progress(0, b) = 1.0f;
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
