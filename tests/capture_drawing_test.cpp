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
    const double start = capture_start_time(0);
    ASSERT_FALSE(beat_flash(start + 0.15));
    Frame waiting = draw_layer(start + 0.15);
    EXPECT_EQ(waiting.count(white_rgb, 900, 500, 1020, 580), 11 * 11);  // head only, no path
    EXPECT_EQ(waiting.count(white_rgb, 955, 535, 966, 546), 11 * 11);

    double t = start + 0.58;  // 144 of the 150 pixels of the first leg
    ASSERT_FALSE(beat_flash(t));
    Frame moving = draw_layer(t);
    Spot e = swayed(0, t);
    int head_x = (int)((e.x - 960) * 144.0 / 150.0) + 960;
    EXPECT_EQ(moving.at(head_x, 540), white_rgb);
    EXPECT_EQ(moving.at(1000, 540), white_rgb);  // the path behind it
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

TEST(CaptureLayer, ArrivedPathBendsVerticallyInItsHighlightColour) {
    build_pair();
    connection_highlight[pair_index(0, 1)] = 1;
    node_highlight[1] = 2;
    double t = capture_finish_time(1) + 1.0;
    if (beat_flash(t)) t += beat_seconds * 0.3;
    Frame f = draw_layer(t);
    Spot s = swayed(0, t), e = swayed(1, t);
    ASSERT_GT(std::abs(e.x - 825), 5);  // drawn where the node sways, not at rest
    EXPECT_EQ(f.at(s.x, (s.y + e.y) / 2), red_rgb);
    EXPECT_EQ(f.at((s.x + e.x) / 2, e.y), red_rgb);
    EXPECT_EQ(f.at((s.x + e.x) / 2, s.y), black_rgb);
    EXPECT_EQ(f.at(e.x - 12, e.y), green_rgb);  // node outline and the head in its centre
    EXPECT_EQ(f.at(e.x, e.y), green_rgb);

    node_alive[0] = 0;  // a dead parent takes the path away, not the node
    Frame orphan = draw_layer(t);
    EXPECT_EQ(orphan.at(s.x, (s.y + e.y) / 2), black_rgb);
    EXPECT_EQ(orphan.at(e.x - 12, e.y), green_rgb);
}

TEST(CaptureLayer, DeadNodePathShrinksBackToItsParent) {
    build_pair();
    controls[control_am].value = 3;
    place_node(2, 400, 200);  // dead without a death time: only its ghost
    connect_nodes(0, 2);
    node_alive[2] = 0;
    ghost_remaining[2] = 1.0f;
    ghost_size[2] = 17.0f;
    node_alive[1] = 0;
    node_death_time[1] = 20.0;

    ASSERT_FALSE(beat_flash(20.1));
    Frame shrinking = draw_layer(20.1);
    EXPECT_EQ(shrinking.count(white_rgb, 810, 890, 830, 910), 36);  // 6 x 6 square at rest
    EXPECT_EQ(shrinking.at(swayed(0, 20.1).x, 800), white_rgb);
    EXPECT_EQ(shrinking.at(1000, 900), white_rgb);
    EXPECT_EQ(shrinking.count(grey_rgb, 387, 187, 413, 213), 26 * 26 - 18 * 18);
    EXPECT_EQ(shrinking.count(black_rgb, 391, 191, 409, 209), 18 * 18);

    // Halfway through the retraction the dead node's end has gone.
    const double halfway = 20.25 + 250.0 / 360.0;
    Frame half = draw_layer(halfway);
    EXPECT_EQ(half.at(1000, 900), black_rgb);
    EXPECT_EQ(half.at(swayed(0, halfway).x, 760), white_rgb);
    Frame gone = draw_layer(20.25 + 600.0 / 360.0);
    EXPECT_EQ(gone.count(white_rgb, 700, 760, 1090, 1000), 0);
}

}  // namespace
