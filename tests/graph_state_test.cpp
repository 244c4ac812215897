#include "graph/graph_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

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

// The generator's first draws from seed 42, as committed values.
TEST(RandomSource, FirstDrawsOfASeed) {
    rng_state = 42;
    for (int bits : {35086, 35179, 42269, 30196}) EXPECT_EQ(rng_unit(), (float)bits / 65535.0f);
}

TEST(Connections, TargetRuleDrawCountAndParents) {
    const float xy[5][2] = {{100, 100}, {400, 100}, {700, 1000}, {1000, 1300}, {700, 100}};
    for (int i = 0; i < 5; ++i) nodes[i].x = xy[i][0], nodes[i].y = xy[i][1];
    // From node 4: 300, 900 and 1500 away; nearest for small k, farthest from 67.
    const int k_of[4] = {0, 3, 35, 67}, target[4] = {0, 1, 2, 3};
    for (int c = 0; c < 4; ++c) EXPECT_EQ(select_connection_target(c ? 4 : 1, k_of[c]), target[c]) << k_of[c];
    nodes[2].x = 1000, nodes[2].y = 100;  // tie at 300: the lower index
    EXPECT_EQ(select_connection_target(4, 0), 1);

    startup_layout(4321);
    Node spare = {};
    rng_state = 0xABCDEF;
    respawn_node(spare);
    EXPECT_EQ(rng_state, 0xed9b91bb4d47e5a6u);  // seven draws
    rng_state = 0xABCDEF;
    randomize_connections();
    EXPECT_EQ(rng_state, 0xa706d7f413286253u);  // 316 draws
    for (int b = 1; b < node_capacity; ++b) {
        int links = 0, first = -1;
        for (int a = b - 1; a >= 0; --a)
            if (connection_enabled[pair_index(a, b)]) first = a, links += 1;
        EXPECT_TRUE(links == 1 || (links == 2 && b > 3)) << b;
        EXPECT_EQ(parent_of(b), first);
    }
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    connection_enabled[pair_index(2, 6)] = connection_enabled[pair_index(4, 6)] = 1;
    rebuild_parent_cache();
    EXPECT_EQ(parent_of(6), 2);
    EXPECT_EQ(parent_of(5), 4);  // unconnected: the predecessor
    EXPECT_EQ(parent_of(0), -1);
    EXPECT_EQ(parent_of(node_capacity), -1);
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    connection_enabled[pair_index(3, 6)] = 1;  // rewired without a rebuild
    EXPECT_EQ(parent_of(6), 3);
}

}  // namespace
