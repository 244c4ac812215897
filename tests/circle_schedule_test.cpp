// The schedule's rows switch on their bar lines, to the last double before
// each: between the frames of any run.
#include "scene/circle_schedule.h"

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

}  // namespace
