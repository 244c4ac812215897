#include "app/overlay.h"
#include "render/primitives.h"
#include "tests/support/gl_test_context.h"
#include "timeline/timeline.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

// Draws the card over a grey backdrop so the black card shows.
Frame draw_card_over_grey(double t) {
    begin_gl_test_frame();
    glColor4f(0.35f, 0.35f, 0.35f, 1.0f);
    rect(0, 0, 1920, 1080);
    draw_title_card(t);
    return Frame();
}

TEST(TitleCard, ShownInBars18To24InTheBarColour) {
    const struct { double t; Rgb colour; } cases[] = {
        {29.142857142857142, white_rgb}, {34.2857, white_rgb}, {34.285714285714285, red_rgb},  // bars 18, 20, 21
        {37.714285714285715, green_rgb}, {39.42857142857142, blue_rgb},                       // bars 23, 24
        {29.14285714285714, grey_rgb},   {41.14285714285714, grey_rgb},                       // before and after
    };
    for (const auto& c : cases) {
        Frame f = draw_card_over_grey(c.t);
        Rgb card = c.colour == grey_rgb ? grey_rgb : black_rgb;
        EXPECT_TRUE(f.at(797, 468) == card && f.at(1170, 561) == card) << c.t;  // card corners
        EXPECT_EQ(f.count(grey_rgb, 0, 0, 1920, 1080), 1920 * 1080 - (card == grey_rgb ? 0 : 374 * 94)) << c.t;
        EXPECT_EQ(f.at(819, 500), c.colour) << c.t;   // "o" at scale 10: row 2, column 1
        EXPECT_EQ(f.at(1148, 549), c.colour) << c.t;  // last pixel of "l"
        EXPECT_EQ(f.at(809, 500), card) << c.t;
    }
    // The centre square over the card: white, and black during the flash.
    ASSERT_TRUE(beat_flash(30.0 + beat_seconds * 0.1));
    EXPECT_EQ(draw_card_over_grey(30.0 + beat_seconds * 0.5).count(white_rgb, 952, 532, 969, 549), 17 * 17);
    EXPECT_EQ(draw_card_over_grey(30.0 + beat_seconds * 0.1).at(952, 548), black_rgb);  // hides a pixel of "t"
}

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
