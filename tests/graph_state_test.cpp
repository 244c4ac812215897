#include "graph/graph_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

uint64_t advance(uint64_t state, int draws) {
    for (int k = 0; k < draws; ++k) state = state * 1103515245u + 12345u;
    return state;
}

std::vector<uint8_t> startup_layout(uint64_t seed) {
    layout_seed = seed;
    build_startup_layout();
    std::vector<uint8_t> bytes(sizeof nodes + sizeof connection_enabled);
    std::memcpy(bytes.data(), nodes, sizeof nodes);
    std::memcpy(bytes.data() + sizeof nodes, connection_enabled, sizeof connection_enabled);
    return bytes;
}

TEST(Layout, SeedDecidesEverythingAndFirstFourAreFixedOnlyAtStartUp) {
    const float fixed[4][2] = {{1110, 470}, {825, 645}, {1175, 665}, {735, 405}};
    for (uint64_t seed : {0u, 9999u}) {
        EXPECT_EQ(startup_layout(seed), startup_layout(seed));
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(nodes[i].x == fixed[i][0] && nodes[i].y == fixed[i][1]);
        reseed_layout(seed);
        for (int i = 0; i < 4; ++i) EXPECT_FALSE(nodes[i].x == fixed[i][0] && nodes[i].y == fixed[i][1]);
    }
    EXPECT_NE(startup_layout(0), startup_layout(9999));
}

TEST(Respawn, SevenDrawsAndTheColumnBases) {
    const float column_bases[4] = {230.39999f, 595.20001f, 1228.7999f, 1651.2001f};
    rng_state = 99;
    for (int k = 0; k < 2000; ++k) {
        uint64_t before = rng_state;
        float r[7];
        for (float& v : r) v = rng_unit();
        rng_state = before;
        Node node = {};
        respawn_node(node);
        ASSERT_EQ(rng_state, advance(before, 7));
        int band = r[1] < 0.2f ? 0 : r[1] < 0.47f ? 1 : r[1] < 0.73f ? 2 : 3;
        if (r[0] < 0.42f) {
            EXPECT_EQ(node.x, (r[2] - 0.5f) * 90.0f + column_bases[band]);
        }
    }
}

TEST(ConnectionTarget, NearestFirstFarthestFromSixtySevenTiesToLowerIndex) {
    const float xy[5][2] = {{100, 100}, {400, 100}, {700, 1000}, {1000, 1300}, {700, 100}};
    for (int i = 0; i < 5; ++i) nodes[i].x = xy[i][0], nodes[i].y = xy[i][1];
    EXPECT_EQ(select_connection_target(1, 0), 0);
    EXPECT_EQ(select_connection_target(4, 3), 1);   // 300 away
    EXPECT_EQ(select_connection_target(4, 35), 2);  // halfway: 900
    EXPECT_EQ(select_connection_target(4, 67), 3);  // 1500
    nodes[2].x = 1000, nodes[2].y = 100;           // also 300 away
    EXPECT_EQ(select_connection_target(4, 0), 1);
}

TEST(Connections, OneOrTwoLinksPerNodeWithExactly316Draws) {
    startup_layout(4321);
    rng_state = 0xABCDEF;
    randomize_connections();
    EXPECT_EQ(rng_state, advance(0xABCDEF, 316));
    for (int b = 1; b < node_capacity; ++b) {
        int links = 0, first = -1;
        for (int a = b - 1; a >= 0; --a) {
            if (connection_enabled[pair_index(a, b)]) first = a, links += 1;
        }
        EXPECT_TRUE(links == 1 || (links == 2 && b > 3)) << b;
        EXPECT_EQ(parent_of(b), first);
    }
    // Everything at one spot: both picks are node 0, the second probes on.
    for (int i = 0; i < node_capacity; ++i) nodes[i].x = 500, nodes[i].y = 500;
    randomize_connections();
    int seconds = 0;
    for (int b = 4; b < node_capacity; ++b) seconds += connection_enabled[pair_index(1, b)];
    EXPECT_GT(seconds, 30);
}

TEST(Parent, FallbackRangeAndHandEditedColumns) {
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    connection_enabled[pair_index(2, 6)] = connection_enabled[pair_index(4, 6)] = 1;
    rebuild_parent_cache();
    EXPECT_EQ(parent_of(6), 2);
    EXPECT_EQ(parent_of(5), 4);  // no connection: the predecessor
    EXPECT_EQ(parent_of(0), -1);
    EXPECT_EQ(parent_of(node_capacity), -1);
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    connection_enabled[pair_index(3, 6)] = 1;  // rewired without a rebuild
    EXPECT_EQ(parent_of(6), 3);
}

}  // namespace
