#include "capture/capture_drawing.h"
#include "capture/capture_timing.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/graph_test_state.h"
#include "timeline/timeline.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

struct Spot {
    int x, y;
};

Spot swayed(int i, double t) {
    float x, y;
    floating_position(i, t, &x, &y);
    return Spot{(int)std::lround(x), (int)std::lround(y)};
}

Frame draw_layer(double t) {
    begin_gl_test_frame();
    draw_capture_layer(t);
    return Frame();
}

TEST(CaptureLayer, HeadWaitsAtTheCentreThenTravelsHorizontally) {
    reset_graph_for_test(1);
    place_node(0, 1110, 700);
    const double start = capture_start_time(0), t = start + 0.58;  // 144 of the 150 pixels of the first leg
    ASSERT_FALSE(beat_flash(start + 0.15) || beat_flash(t));
    Frame waiting = draw_layer(start + 0.15);
    EXPECT_EQ(waiting.count(white_rgb, 900, 500, 1020, 580), 11 * 11);  // head only, no path
    EXPECT_EQ(waiting.count(white_rgb, 955, 535, 966, 546), 11 * 11);
    Frame moving = draw_layer(t);
    Spot e = swayed(0, t);
    int head_x = (int)((e.x - 960) * 144.0 / 150.0) + 960;
    EXPECT_EQ(moving.at(head_x, 540), white_rgb);
    EXPECT_EQ(moving.at(1000, 540), white_rgb);
    EXPECT_EQ(moving.at(head_x + 12, 540), black_rgb);
    EXPECT_EQ(moving.at(e.x, 620), black_rgb);  // no second leg yet
}

// Node 1 hangs off node 0; the odd index sum bends vertically first.
void build_pair() {
    reset_graph_for_test(2);
    place_node(0, 1110, 700);
    place_node(1, 825, 900);
    connect_nodes(0, 1);
}

TEST(CaptureLayer, ArrivedPathBendsVerticallyToTheSwayedNodeInItsHighlightColour) {
    build_pair();
    connection_highlight[pair_index(0, 1)] = 1;
    node_highlight[1] = 2;
    double t = capture_finish_time(1) + 1.0;
    if (beat_flash(t)) t += beat_seconds * 0.3;
    Frame f = draw_layer(t);
    Spot s = swayed(0, t), e = swayed(1, t);
    ASSERT_GT(std::abs(e.x - 825), 5);  // drawn where the node sways, not at rest
    EXPECT_TRUE(f.at(s.x, (s.y + e.y) / 2) == red_rgb && f.at((s.x + e.x) / 2, e.y) == red_rgb);
    EXPECT_EQ(f.at((s.x + e.x) / 2, s.y), black_rgb);
    EXPECT_TRUE(f.at(e.x - 12, e.y) == green_rgb && f.at(e.x, e.y) == green_rgb);  // outline and head

    node_alive[0] = 0;  // a dead parent takes the path away, not the node
    Frame orphan = draw_layer(t);
    EXPECT_TRUE(orphan.at(s.x, (s.y + e.y) / 2) == black_rgb && orphan.at(e.x - 12, e.y) == green_rgb);
}

TEST(CaptureLayer, DeadNodePathShrinksBackToItsParent) {
    build_pair();
    controls[control_am].value = 3;
    place_node(2, 400, 200);  // dead without a death time: only its grey ghost square
    connect_nodes(0, 2);
    node_alive[2] = 0;
    ghost_remaining[2] = 1.0f;
    ghost_size[2] = 17.0f;
    node_alive[1] = 0;
    node_death_time[1] = 20.0;

    ASSERT_FALSE(beat_flash(20.1));
    Frame shrinking = draw_layer(20.1);
    EXPECT_EQ(shrinking.count(white_rgb, 810, 890, 830, 910), 36);  // 6 x 6 square at rest
    EXPECT_TRUE(shrinking.at(swayed(0, 20.1).x, 800) == white_rgb && shrinking.at(1000, 900) == white_rgb);
    EXPECT_EQ(shrinking.count(grey_rgb, 387, 187, 413, 213), 26 * 26 - 18 * 18);
    EXPECT_EQ(shrinking.count(black_rgb, 391, 191, 409, 209), 18 * 18);

    const double halfway = 20.25 + 250.0 / 360.0;  // the dead node's end has gone
    Frame half = draw_layer(halfway);
    EXPECT_TRUE(half.at(1000, 900) == black_rgb && half.at(swayed(0, halfway).x, 760) == white_rgb);
    EXPECT_EQ(draw_layer(20.25 + 600.0 / 360.0).count(white_rgb, 700, 760, 1090, 1000), 0);
}

}  // namespace
