// The head-up text, shown only in real time (the title card is pinned by
// the reference runs).
#include "app/overlay.h"
#include "tests/support/gl_test_context.h"

#include <gtest/gtest.h>

namespace {

TEST(HeadUpText, SeedRightAlignedAndBarCounterTopLeft) {
    begin_gl_test_frame();
    draw_hud(0.0, 7);
    Frame f;
    int x0, y0, x1, y1;
    ASSERT_TRUE(f.lit_bounds(&x0, &y0, &x1, &y1));
    EXPECT_TRUE(x1 == 1911 && y1 == 1071);  // "0007" ends 8 pixels from the right edge, bottom row 1065 + 6
    EXPECT_EQ(f.at(1889, 1066), white_rgb);  // left column of the first "0"
    EXPECT_EQ(f.count(white_rgb, 0, 1000, 1889, 1080), 0);
    EXPECT_TRUE(x0 == 8 && y0 == 8);  // "001:147" from (8, 8)
    EXPECT_EQ(f.at(48, 8), white_rgb);   // top row of the final "7"
    EXPECT_EQ(f.at(20, 14), black_rgb);  // "1" leaves column 0 of its bottom row dark

    begin_gl_test_frame();
    draw_hud(1.7142857142857142, 12345);
    Frame next;
    EXPECT_EQ(next.at(20, 14), white_rgb);  // "002:147"
    EXPECT_EQ(next.at(1884, 1071), white_rgb);  // five digits start 6 pixels further left
    EXPECT_EQ(next.count(white_rgb, 0, 1000, 1883, 1080), 0);
}

}  // namespace
