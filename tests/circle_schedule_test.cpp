#include "scene/circle_schedule.h"
#include "scene/credits.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

double before(double v) { return std::nextafter(v, 0.0); }

TEST(CircleSchedule, RowsSwitchOnTheirBarLines) {
    const struct { double l; LayoutKind kind; int cap; float p; uint64_t offset; bool collapsed, credit; } rows[] = {
        {0.0, centre_tree_layout, 560, 0.0f, 0x2c9277b5, false, false},
        {13.714285714285714, corner_tree_layout, 560, 0.0f, 0x5924ef6a, false, false},
        {34.285714285714285, bracket_layout, 95, 0.5f, 0xb249ded4, false, false},
        {before(41.14285714285714), bracket_layout, 95, 1.0f, 0xb249ded4, false, false},  // quotient rounds to 3
        {41.14285714285714, centre_tree_layout, 120, 1.0f, 0xdedc5689, true, true},
        {44.57142857142857, centre_tree_layout, 560, 0.25f, 0xdedc5689, true, false},
        {before(48.0), centre_tree_layout, 560, 0.5f, 0xdedc5689, true, false},
        {48.0, centre_tree_layout, 120, 1.0f, 0xdedc5689, true, true},
        {51.42857142857143, centre_tree_layout, 560, 1.0f, 0xdedc5689, true, false},
    };
    for (const auto& row : rows) {
        CircleScheduleRow r = schedule_circle_phase(row.l);
        EXPECT_FALSE(r.ending);
        EXPECT_EQ(r.kind, row.kind) << row.l;
        EXPECT_EQ(r.cap, row.cap) << row.l;
        EXPECT_NEAR(r.progress, row.p, 1e-6f) << row.l;
        EXPECT_LE(r.progress, 1.0f);
        EXPECT_EQ(r.block_seed_offset, row.offset) << row.l;
        EXPECT_EQ(r.all_collapsed, row.collapsed) << row.l;
        EXPECT_EQ(r.credit_slot, row.credit) << row.l;
    }
    EXPECT_FALSE(schedule_circle_phase(before(54.85714285714286)).ending);
    EXPECT_TRUE(schedule_circle_phase(54.85714285714286).ending);
}

TEST(CircleSchedule, CreditWindowsOnAbsoluteTimeAndMarkerColour) {
    const struct { double t; int window; } windows[] = {
        {before(205.7142857142857), 0}, {205.7142857142857, 1},  {before(209.1428571428571), 1},
        {209.1428571428571, 0},         {212.57142857142856, 2}, {before(215.99999999999997), 2},
        {215.99999999999997, 0},
    };
    for (const auto& w : windows) EXPECT_EQ(credit_window(w.t), w.window) << w.t;

    const struct { float e; Colour c; } marks[] = {
        {0.0f, ending_blue}, {2.0f, ending_red}, {2.5f, ending_blue}, {6.25f, ending_green},
        {8.49f, ending_red}, {11.9f, ending_blue}};
    for (const auto& m : marks) {
        Colour c = ending_marker_colour(m.e);
        EXPECT_TRUE(c.r == m.c.r && c.g == m.c.g && c.b == m.c.b) << m.e;
    }
    EXPECT_EQ(ending_marker_x(12.0f), 1440.0f);
    EXPECT_EQ(tree_pulse_at(0.0), 1.0f);
    EXPECT_NEAR(tree_pulse_at(0.42857142857142855 * 400.5), 0.5f, 1e-5f);
}

TEST(TreeFrameParameters, CreditModeFreezesTheFullyGrownCollapsedTree) {
    TreeFrame f;
    ASSERT_TRUE(prepare_tree_frame(206.5, 7, &f));
    EXPECT_TRUE(f.credit_mode && f.count == 120 && f.collapse_count == 120 + 90);
    EXPECT_TRUE(f.tree_pulse == 0.0f && f.wobble_amplitude == 0.0f && f.growth_progress == 1.0f);
    float last_birth = 0.0f;
    for (int i = 0; i < f.count; ++i) last_birth = std::fmax(last_birth, f.nodes[i].birth);
    EXPECT_EQ(f.tree_clock, last_birth + 1.0f);
    EXPECT_FALSE(prepare_tree_frame(219.42857142857142, 7, &f));
}

}  // namespace
