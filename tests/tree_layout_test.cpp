#include "scene/scene_hash.h"
#include "scene/tree_layout.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TreeNode nodes[tree_capacity];
TreeNode other[tree_capacity];

TEST(TreeLayout, CentreRootAndItsEightChildren) {
    for (uint64_t seed : {0ull, 7ull, 9999ull}) {
        ASSERT_EQ(build_tree_layout(centre_tree_layout, mix_hash(seed + 0x2c9277b5ull), 560, nodes), 560);
        EXPECT_TRUE(nodes[0].x == 960.0f && nodes[0].y == 540.0f && nodes[0].size == 170.0f);
        for (int j = 0; j < 8; ++j) {
            const TreeNode& c = nodes[j + 1];
            EXPECT_TRUE(c.parent == 0 && c.dir == (j & 3) && c.size >= 92.0f && c.size <= 102.0f) << j;
            EXPECT_NEAR(c.birth, 0.08f * (j + 1), 1e-6f);
            float along = c.dir == 0 ? c.x - 960.0f : c.dir == 1 ? c.y - 540.0f : c.dir == 2 ? 960.0f - c.x : 540.0f - c.y;
            float m = c.size * 0.75f + 44.0f;
            bool clamped = c.x == 1920.0f - m || c.x == m || c.y == 1080.0f - m || c.y == m;
            EXPECT_TRUE(clamped || along >= 259.5f);
        }
    }
}

uint64_t attempt_chain(uint64_t h, int j, int attempts) {
    for (int a = 0; a < attempts; ++a)
        h = mix_hash(h + 0x41c64e6dull * (uint64_t)(j + 1) + 0x1daa66d13ull + (uint64_t)a * 0x9e3779b1ull);
    return h;
}

TEST(TreeLayout, CornerChildrenHeldByTheClampTakeTheLastAttempt) {
    for (uint64_t seed : {3ull, 7ull, 4242ull}) {
        uint64_t ph = mix_hash(seed + 0x5924ef6aull);
        build_tree_layout(corner_tree_layout, ph, 560, nodes);
        EXPECT_TRUE(nodes[0].x == 1748.5f && nodes[0].y == 908.5f);
        uint64_t h = mix_hash(ph ^ 0x5f356495ull ^ mix_hash(ph + 17));
        for (int j = 0; j < 2; ++j) {  // right, then down: 36 attempts each
            h = attempt_chain(h, j, 36);
            const TreeNode& c = nodes[j + 1];
            EXPECT_EQ(c.hash, h);
            float along = c.dir == 0 ? c.x - 1748.5f : c.y - 908.5f;
            EXPECT_TRUE(along > 0.0f && along < 60.0f);  // overlaps the root
        }
        EXPECT_EQ(nodes[3].hash, attempt_chain(h, 2, 1));  // left: first attempt
    }
}

TEST(TreeLayout, SmallOrDeepParentsGetNoChildren) {
    int count = add_fractal_root(nodes, 0, 300.0f, 300.0f, 8.0f, 0.0f, 11);
    count = add_scene2_node(nodes, count, 0, 1600.0f, 300.0f, 40.0f, 0.0f, 12);
    count = add_scene2_node(nodes, count, 0, 300.0f, 800.0f, 40.0f, 0.0f, 13);
    count = add_scene2_node(nodes, count, 0, 1600.0f, 800.0f, 40.0f, 0.0f, 14);
    nodes[1].depth = 16;  // may branch
    nodes[2].depth = 17;  // too deep
    nodes[3].depth = 11;
    int grown = grow_tree_layout(nodes, count, 99, 560);
    int children[tree_capacity] = {0}, barren = 0;
    for (int i = 4; i < grown; ++i) ++children[nodes[i].parent];
    EXPECT_EQ(children[0], 8);  // each of size 5.44: none of them branches
    EXPECT_GE(children[1], 1);
    EXPECT_EQ(children[2], 0);
    EXPECT_TRUE(children[3] >= 1 && children[3] <= 3);
    for (int i = 4; i < grown; ++i) {
        bool too_small_or_deep = nodes[i].size < 6.0f || nodes[i].depth > 16;
        EXPECT_TRUE(!too_small_or_deep || children[i] == 0) << i;
        barren += too_small_or_deep;
    }
    EXPECT_GE(barren, 8 + 1);
}

TEST(TreeLayout, CapStopsExactlyKeepingThePrefixButTheBracketAlwaysHas95) {
    uint64_t ph = mix_hash(7 + 0xdedc5689ull);
    build_tree_layout(centre_tree_layout, ph, 560, nodes);
    EXPECT_EQ(build_tree_layout(centre_tree_layout, ph, 120, other), 120);
    EXPECT_EQ(std::memcmp(nodes, other, sizeof(TreeNode) * 120), 0);
    for (int cap = 20; cap < 60; ++cap)  // includes caps that stop between siblings
        EXPECT_EQ(build_tree_layout(centre_tree_layout, ph, cap, other), cap);
    for (int cap : {95, 120, 10}) {
        ASSERT_EQ(build_tree_layout(bracket_layout, 12345, cap, nodes), 95);
        EXPECT_TRUE(nodes[94].parent == 92 && nodes[94].birth == 14.08f);
        EXPECT_EQ(nodes[94].y, 182.75f);  // on the clamp margin, not moved
        EXPECT_TRUE(nodes[79].parent == 60 && nodes[93].parent == 90);
    }
}

TEST(TreeLayout, CacheGivesTheSameLayoutAsAFreshBuildForEveryKey) {
    uint64_t a = mix_hash(7 + 0x2c9277b5ull), b = mix_hash(8 + 0x2c9277b5ull);
    const struct { LayoutKind kind; uint64_t ph; int cap; } keys[] = {
        {centre_tree_layout, a, 560}, {centre_tree_layout, a, 120}, {centre_tree_layout, a, 560},
        {corner_tree_layout, b, 560}, {bracket_layout, a, 95}, {centre_tree_layout, b, 560}};
    for (const auto& key : keys) {
        int n = 0;
        const TreeNode* cached = cached_tree_layout(key.kind, key.ph, key.cap, &n);
        ASSERT_EQ(n, build_tree_layout(key.kind, key.ph, key.cap, other));
        EXPECT_EQ(std::memcmp(cached, other, sizeof(TreeNode) * n), 0);
    }
}

}  // namespace
