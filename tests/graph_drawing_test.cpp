#include "graph/blue_cull.h"
#include "graph/connections.h"
#include "graph/graph_drawing.h"
#include "graph/graph_state.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/graph_test_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

namespace {

Frame draw_scene_at(double t) {
    begin_gl_test_frame();
    draw_graph_scene(t);
    return Frame();
}

TEST(GraphScene, FirstBeatSweepThenFlashingCentreSquareThenRing) {
    reset_graph_for_test(0);
    const struct { double t; int x0, y0, x1, y1; } cases[] = {
        {0.0, 0, 538, 1920, 542},                   // full-width line
        {beat_seconds * 0.5, 840, 538, 1080, 542},  // (1 - 0.5)^3 * 1920 = 240
        {beat_seconds * 1.5, 952, 532, 969, 549},   // 17 x 17 centre square
        {beat_seconds * 1.1, 0, 0, 0, 0},           // flash: the square is black
    };
    for (const auto& c : cases) {
        Frame f = draw_scene_at(c.t);
        int area = (c.x1 - c.x0) * (c.y1 - c.y0);
        EXPECT_EQ(f.count(white_rgb, c.x0, c.y0, c.x1, c.y1), area) << c.t;
        EXPECT_EQ(f.count(white_rgb, 0, 0, 1920, 1080), area) << c.t;
    }

    ASSERT_FLOAT_EQ(blue_wave_radius(blue_phase_start + 2.0), 280.0f);
    Frame f = draw_scene_at(blue_phase_start + 2.0);
    int blue = f.count(blue_rgb, 0, 0, 1920, 1080);  // about 2 pi 280 x 4 pixels within r 276..284
    EXPECT_GT(blue, 6000);
    EXPECT_EQ(f.count(blue_rgb, 676, 256, 1244, 824), blue);
    EXPECT_EQ(f.count(blue_rgb, 765, 345, 1155, 735), 0);
    EXPECT_EQ(f.at(1239, 540), blue_rgb);
}

TEST(GraphScene, BluePhaseDrawsThinnedParentTreeAndColoursNodesByWave) {
    // A parent tree from node 0, a second connection 2-7, a dead leaf 8 and nodes 1, 3 beyond the wave.
    reset_graph_for_test(9);
    const float xy[9][2] = {{900, 500}, {1700, 100}, {500, 900}, {1800, 300}, {600, 200},
                            {700, 400}, {1300, 900}, {1100, 600}, {1200, 300}};
    for (int i = 0; i < 9; ++i) place_node(i, xy[i][0], xy[i][1]);
    for (int b : {1, 2, 4, 5, 6, 7, 8}) connect_nodes(0, b);
    connect_nodes(1, 3);
    connect_nodes(2, 7);
    connection_highlight[pair_index(1, 3)] = 1;
    node_highlight[1] = 2;
    node_alive[8] = 0;
    ghost_remaining[8] = 1.0f;
    ghost_size[8] = 17.0f;

    const double t = blue_phase_start + 5.0;  // wave radius 700
    ASSERT_FALSE(beat_flash(t));
    Frame f = draw_scene_at(t);
    const struct { int x, y; Rgb colour; } probes[] = {
        {900, 550, blue_rgb}, {1000, 600, blue_rgb},                           // 0-7 bends at (x0, y7)
        {800, 400, black_rgb}, {1300, 100, black_rgb}, {500, 750, black_rgb},  // 0-5, 0-1, 0-2 thinned
        {700, 600, black_rgb}, {1050, 500, black_rgb},  // a second connection; 0-8 ends at a dead node
        {1750, 100, red_rgb}, {1800, 200, red_rgb},     // 1-3 beyond the wave bends at (x3, y1)
        {887, 500, blue_rgb}, {900, 500, blue_rgb}, {893, 493, black_rgb},  // node 0
        {1687, 100, green_rgb}, {1787, 300, white_rgb}, {1200, 300, black_rgb},  // highlights; hollow ghost
    };
    for (const auto& p : probes) EXPECT_EQ(f.at(p.x, p.y), p.colour) << p.x << "," << p.y;
    EXPECT_EQ(f.count(grey_rgb, 1187, 287, 1213, 313), 26 * 26 - 18 * 18);

    ASSERT_TRUE(beat_flash(t + beat_seconds * 0.45));
    Frame flash = draw_scene_at(t + beat_seconds * 0.45);
    EXPECT_TRUE(flash.at(887, 500) == blue_rgb && flash.at(900, 500) == black_rgb);  // black head in the outline
    EXPECT_EQ(flash.at(960, 540), black_rgb);
}

TEST(GraphScene, RevivalPathGrowsFromTheSurvivorAndVanishesAfterArrival) {
    reset_graph_for_test(2);
    place_node(0, 900, 500);
    place_node(1, 1100, 500);  // odd: corner (x0, y1), leg1 = 0, leg2 = 200
    connect_nodes(0, 1);
    node_alive[1] = 0;
    blue_survivor = 0;
    survivor_alone_since = 70.0;
    survivor_dance_initialized = 1;
    survivor_dance_omega = 0.5f;
    const double arrival = 200.0 / 360.0;
    const struct { double e; bool path_mid, path_far, square; } cases[] = {
        {-0.05, false, false, false}, {0.3, true, false, false},  // front at 108 px
        {arrival + 0.01, true, true, true}, {arrival + 0.7, false, false, true}};
    for (const auto& c : cases) {
        double t = revival_start_time() + c.e;
        if (beat_flash(t)) t += beat_seconds * 0.3;
        Frame f = draw_scene_at(t);
        EXPECT_EQ(f.at(950, 500) == blue_rgb, c.path_mid) << c.e;
        EXPECT_EQ(f.at(1070, 500) == blue_rgb, c.path_far) << c.e;
        EXPECT_EQ(f.at(1087, 500) == blue_rgb, c.square) << c.e;
        EXPECT_EQ(f.at(1100, 500) == blue_rgb, c.square) << c.e;
    }
}

}  // namespace
