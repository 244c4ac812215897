#include "scene/easing.h"
#include "scene/scene_hash.h"
#include "scene/tree_animation.h"

#include <gtest/gtest.h>

namespace {

TreeAnimation anim;

TreeFrame make_frame(LayoutKind kind, float p, float pulse, float wobble, int cc, bool credit) {
    TreeFrame f = {};
    f.l = 15.43;
    f.seed = 7;
    f.kind = kind;
    f.phase_hash = mix_hash(7 + 0x2c9277b5ull);
    f.nodes = cached_tree_layout(kind, f.phase_hash, kind == bracket_layout ? 95 : 560, &f.count);
    f.growth_progress = p;
    f.tree_clock = p * 64.0f;
    f.tree_pulse = pulse;
    f.wobble_amplitude = wobble;
    f.collapse_count = cc;
    f.credit_mode = credit;
    return f;
}

// A node's place locked to its drawn parent plus its layout offset (roots: the layout place).
float locked_x(const TreeNode& n) {
    return n.parent < 0 ? n.x : clamp_layout_x(anim.draw_x[n.parent] + (n.x - n.parent_x), n.size);
}
float locked_y(const TreeNode& n) {
    return n.parent < 0 ? n.y : clamp_layout_y(anim.draw_y[n.parent] + (n.y - n.parent_y), n.size);
}

void expect_at_rest(const TreeFrame& f, int i) {
    EXPECT_TRUE(anim.draw_x[i] == locked_x(f.nodes[i]) && anim.draw_y[i] == locked_y(f.nodes[i])) << i;
}

TEST(TreeAnimation, CreditModeAndZeroPulseHoldBoxesStillWithoutTilt) {
    TreeFrame f = make_frame(centre_tree_layout, 1.0f, 0.0f, 0.0f, 560 + 90, true);
    animate_tree(f, &anim);
    for (int i = 0; i < f.count; ++i) {
        EXPECT_TRUE(anim.box_w[i] == 9.0f && anim.box_h[i] == 9.0f && anim.tilt[i] == 0.0f) << i;
        expect_at_rest(f, i);
    }
    for (LayoutKind kind : {centre_tree_layout, corner_tree_layout, bracket_layout}) {
        f = make_frame(kind, 0.5f, 0.0f, 0.0f, 0, false);
        animate_tree(f, &anim);
        for (int i = 0; i < f.count; ++i) {
            EXPECT_TRUE(anim.box_w[i] == f.nodes[i].size * 0.5f + 8.75f && anim.tilt[i] == 0.0f) << i;
            expect_at_rest(f, i);
            bool lit = anim.node_r[i] == 1.0f && anim.node_g[i] == 0.12f;
            EXPECT_TRUE(lit || (anim.node_r[i] == 0.18f && anim.node_g[i] == 1.0f));
            EXPECT_TRUE(kind != centre_tree_layout || lit == ((((int)(anim.draw_x[i] / 40.0f) >> 1) & 1) == 0));
        }
    }
}

TEST(TreeAnimation, CollapseStartsWithASwellAndEndsAtNine) {
    const int cc = 200;
    TreeFrame f = make_frame(centre_tree_layout, 0.4f, 0.0f, 0.0f, cc, false);
    animate_tree(f, &anim);
    float before = f.nodes[cc - 1].size * 0.6f + (17.0f * 0.6f + 9.0f) * 0.4f;
    float k = ease_anticipate_elastic_unit(1.0f / 90.0f);
    EXPECT_EQ(anim.box_w[cc - 1], (9.0f - before) * k + before);
    EXPECT_GT(anim.box_w[cc - 1], before);
    for (int i = 0; i <= cc - 90; ++i) EXPECT_NEAR(anim.box_w[i], 9.0f, 1e-4f);
    expect_at_rest(f, cc - 90);  // fully collapsed, not yet drifting
    expect_at_rest(f, cc);
}

TEST(TreeAnimation, ChildrenFollowTheirParentOnTheAxisTheyGrewAlong) {
    TreeFrame f = make_frame(centre_tree_layout, 0.2f, 1.0f, 1.0f, 0, false);
    animate_tree(f, &anim);
    EXPECT_NE(anim.draw_x[0], 960.0f);
    for (int i = 1; i < f.count; ++i) {
        const TreeNode& n = f.nodes[i];
        bool horizontal = n.dir == 0 || n.dir == 2;
        EXPECT_EQ(horizontal ? anim.draw_y[i] : anim.draw_x[i], horizontal ? locked_y(n) : locked_x(n)) << i;
    }
}

}  // namespace
