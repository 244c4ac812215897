#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>


namespace {

// Two runs of one seed end byte for byte alike, with another seed run in
// between so leftovers would show, and the blue act has played out.
TEST(GraphDeterminism, TheSameSeedGivesTheSameGraph) {
    static GraphState first, other;
    simulate_graph_span(4711);
    first = graph;
    int n = active_node_count(), live = 0;
    for (int i = 0; i < n; ++i) live += node_alive[i];
    EXPECT_TRUE(live == 1 && blue_survivor >= 0 && node_alive[blue_survivor]);
    EXPECT_GT(survivor_alone_since, blue_cull_start);  // the cull kills 20 nodes per second
    EXPECT_LT(survivor_alone_since, blue_cull_start + n / 20.0 + 1.0);
    EXPECT_TRUE(survivor_dance_initialized == 1 && last_bleed_beat >= 0 && next_red_particle + next_group_bleeder > 0);

    simulate_graph_span(12);
    other = graph;
    simulate_graph_span(4711);
    EXPECT_TRUE(same_graph_state(first, graph));
    EXPECT_FALSE(same_graph_state(first, other));
}

}  // namespace
