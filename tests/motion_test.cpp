// The swirl at the screen's edges and at its own centre, where no run goes.
#include "graph/motion.h"

#include "graph/graph_state.h"
#include "tests/support/blank_graph_state.h"

#include <gtest/gtest.h>

namespace {

const float cx = swirl_center_x;
const float cy = swirl_center_y;

TEST(Swirl, WrapsTwelvePixelsBeyondEachEdgeAndSurvivesTheCentre) {
    clear_graph_state(5);  // every node alive, no survivor
    const Node before[5] = {{-11, 500, -1000, 0, 0}, {1931, 500, 1000, 0, 0}, {900, -11, 0, -1000, 0},
                            {900, 1091, 0, 1000, 0}, {cx, cy, 0, 0, 0}};
    const float after[5][2] = {{1932, 500}, {-12, 500}, {900, 1092}, {900, -12}, {cx, cy}};
    for (int i = 0; i < 5; ++i) nodes[i] = before[i];
    node_alive[4] = 0;  // dead at the centre: no wander, r = 1 with no direction
    update_nodes(0.01f, 20.0);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(i < 2 ? nodes[i].x : nodes[i].y, after[i][i < 2 ? 0 : 1]) << i;
    EXPECT_TRUE(nodes[4].x == cx && nodes[4].y == cy);
}

}  // namespace
