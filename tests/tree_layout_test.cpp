// Layout caps and the layout cache: the reference runs only see the caps
// and keys of their own seeds.
#include "scene/scene_hash.h"
#include "scene/tree_layout.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TreeNode nodes[tree_capacity];
TreeNode other[tree_capacity];

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
