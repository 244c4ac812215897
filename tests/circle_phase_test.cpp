#include "graph/graph_state.h"
#include "scene/circle_phase.h"
#include "scene/credits.h"
#include "scene/tree_drawing.h"
#include "tests/support/gl_test_context.h"

#include <gtest/gtest.h>

namespace {

const double scene_start = 164.57142857142856;
const double ending_at = 219.42857142857142;

Frame draw_scene(double t, uint64_t seed = 7) {
    begin_gl_test_frame();
    layout_seed = seed;
    draw_circle_phase(t);
    return Frame();
}

bool all_black(const Frame& f) {
    int x0, y0, x1, y1;
    return !f.lit_bounds(&x0, &y0, &x1, &y1);
}

TEST(CirclePhaseFrames, BlackAtTheStartAndFromBar135SamePictureForSameTimeAndSeed) {
    EXPECT_TRUE(all_black(draw_scene(scene_start)));
    EXPECT_TRUE(all_black(draw_scene(231.42857142857142)));
    EXPECT_FALSE(all_black(draw_scene(scene_start + 0.2)));
    Frame a = draw_scene(scene_start + 20.3);
    EXPECT_TRUE(a.pixels() == draw_scene(scene_start + 20.3).pixels());
    EXPECT_FALSE(a.pixels() == draw_scene(scene_start + 20.3, 8).pixels());
}

TEST(CirclePhaseFrames, CreditLinesAloneInTheTextHole) {
    for (double t : {205.7142857142857, 208.0, 212.57142857142856, 215.9}) {
        begin_gl_test_frame();
        draw_credit_lines(t);
        Frame ref;
        Frame f = draw_scene(t);
        int differing = 0;
        for (int y = 411; y < 670; ++y)
            for (int x = 631; x < 1290; ++x) differing += !(f.at(x, y) == ref.at(x, y));
        EXPECT_EQ(differing, 0) << t;
        EXPECT_GT(ref.count(white_rgb, 820, 505, 1100, 583), 300);
        EXPECT_GT(f.count(blue_rgb, 0, 0, 1920, 1080), 1000);  // the frozen tree around it
    }
}

TEST(CirclePhaseFrames, EndingStripesAndMarker) {
    const Rgb green = {46, 255, 0}, red = {255, 31, 0};
    Frame f = draw_scene(ending_at + 2.2);  // red marker at x = 656
    EXPECT_EQ(f.count(green, 0, 518, 1920, 522), 4 * 1920);
    EXPECT_EQ(f.count(blue_rgb, 0, 538, 1920, 542), 4 * 1920 - 4 * 14);
    EXPECT_EQ(f.count(red, 0, 558, 1920, 562), 4 * 1920);
    EXPECT_EQ(f.count(red, 649, 533, 663, 547), 14 * 14);
    EXPECT_EQ(f.count(black_rgb, 0, 0, 1920, 1080), 1920 * 1080 - 12 * 1920 - 14 * 10);
    EXPECT_EQ(draw_scene(ending_at + 6.25).count(green, 973, 533, 987, 547), 14 * 14);
}

TEST(CirclePhaseFrames, FinishedBoxesAreThirteenAndAHalfPixelOutlines) {
    static TreeNode nodes[3];
    int count = add_fractal_root(nodes, 0, 500.0f, 500.0f, 40.0f, 0.0f, 1);
    count = add_fractal_root(nodes, count, 800.0f, 300.0f, 120.0f, 0.0f, 2);
    count = add_fractal_root(nodes, count, 1500.0f, 900.0f, 9.0f, 0.0f, 3);
    TreeFrame frame = {};
    frame.nodes = nodes;
    frame.count = count;
    frame.growth_progress = 1.0f;
    frame.tree_clock = 64.0f;
    frame.tree_pulse = 1.0f;
    frame.wobble_amplitude = 0.3276f;
    static TreeAnimation anim;
    animate_tree(frame, &anim);
    begin_gl_test_frame();
    draw_tree_boxes(frame, anim);
    Frame f;
    for (int i = 0; i < count; ++i) {
        int cx = (int)anim.draw_x[i], cy = (int)anim.draw_y[i];
        EXPECT_EQ(21 * 21 - f.count(black_rgb, cx - 10, cy - 10, cx + 11, cy + 11), 14 * 14 - 6 * 6) << i;
    }
}

}  // namespace
