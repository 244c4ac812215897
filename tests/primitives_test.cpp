#include "render/font.h"
#include "render/primitives.h"
#include "tests/support/gl_test_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

namespace {

TEST(Snap, HalvesGoUp) {
    EXPECT_EQ(snap(2.5f), 3.0f);
    EXPECT_EQ(snap(-2.5f), -2.0f);
    EXPECT_EQ(snap(10.4f), 10.0f);
    EXPECT_EQ(snap(1.4f), 1.0f);
}

TEST(Rect, SnapsEachArgumentOnItsOwn) {
    begin_gl_test_frame();
    rect(10.5f, 10.5f, 3.5f, 3.5f);
    rect(10.4f, 100.0f, 1.4f, 1.0f);
    Frame f;
    EXPECT_EQ(f.count(white_rgb, 0, 0, 50, 50), 16);
    EXPECT_EQ(f.count(white_rgb, 11, 11, 15, 15), 16);  // pixels 11..14 both ways
    EXPECT_EQ(f.at(10, 100), white_rgb);
    EXPECT_EQ(f.count(white_rgb, 0, 90, 50, 110), 1);
}

TEST(HollowRect, OutlineOrFilledSquare) {
    begin_gl_test_frame();
    hollow_rect(100.0f, 100.0f, 17.0f);  // s = 26, left = top = 87
    hollow_rect(300.0f, 100.0f, 5.0f);   // s = 8: filled
    hollow_rect(500.0f, 100.0f, 6.0f);   // s = 9: 1 x 1 hole
    Frame f;
    EXPECT_EQ(f.count(white_rgb, 60, 60, 140, 140), 26 * 26 - 18 * 18);
    EXPECT_EQ(f.count(white_rgb, 91, 91, 109, 109), 0);
    EXPECT_EQ(f.at(87, 87), white_rgb);
    EXPECT_EQ(f.at(112, 112), white_rgb);
    EXPECT_EQ(f.at(113, 113), black_rgb);
    EXPECT_EQ(f.count(white_rgb, 280, 80, 320, 120), 64);
    EXPECT_EQ(f.count(white_rgb, 296, 96, 304, 104), 64);
    // s = 9: left = snap(500 - 4.5) = 496 (halves go up: 495.5 -> 496)
    EXPECT_EQ(f.count(white_rgb, 480, 80, 520, 120), 80);
    EXPECT_EQ(f.at(500, 100), black_rgb);
    EXPECT_EQ(f.at(496, 96), white_rgb);
    EXPECT_EQ(f.at(504, 104), white_rgb);
}

TEST(OpaqueHollowRect, HidesWhatLiesBehindAndLeavesItsColour) {
    begin_gl_test_frame();
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    rect(50.0f, 50.0f, 100.0f, 100.0f);
    opaque_hollow_rect(100.0f, 100.0f, 17.0f, 1.0f, 0.0f, 0.0f);
    opaque_hollow_rect(300.0f, 100.0f, 5.0f, 0.0f, 0.0f, 1.0f);  // inner < 0: only the filled square
    GLfloat colour[4];
    flush_drawing();
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[2], 1.0f);
    Frame f;
    EXPECT_EQ(f.count(black_rgb, 91, 91, 109, 109), 18 * 18);
    EXPECT_EQ(f.count(red_rgb, 87, 87, 113, 113), 26 * 26 - 18 * 18);
    EXPECT_EQ(f.count(blue_rgb, 280, 80, 320, 120), 64);
    EXPECT_EQ(f.count(black_rgb, 280, 80, 320, 120), 40 * 40 - 64);
}

TEST(RotatedRect, AngleZeroMatchesRect) {
    begin_gl_test_frame();
    rotated_rect(100.0f, 100.0f, 20.0f, 10.0f, 0.0f);
    rect(190.0f, 95.0f, 20.0f, 10.0f);
    Frame f;
    EXPECT_EQ(f.count(white_rgb, 60, 60, 140, 140), 200);
    EXPECT_EQ(f.count(white_rgb, 90, 95, 110, 105), 200);
    EXPECT_EQ(f.count(white_rgb, 160, 60, 240, 140), 200);
}

TEST(CaptureLine, TrimmedSegmentsKeepTheBatchEven) {
    begin_gl_test_frame();
    flush_drawing();
    glLineWidth(4.0f);
    glBegin(GL_LINES);
    capture_line(100.0f, 100.0f, 108.0f, 100.0f, 8.0f);  // length 8: nothing
    capture_line(200.0f, 100.0f, 200.0f, 105.0f, 8.0f);  // shorter: nothing
    capture_line(300.0f, 300.0f, 300.0f, 300.0f, 0.0f);  // zero length, trim 0: nothing
    capture_line(100.0f, 500.0f, 300.0f, 500.0f, 8.0f);  // ends at x = 292
    glEnd();
    Frame f;
    EXPECT_EQ(f.count(white_rgb, 0, 0, 1920, 400), 0);
    EXPECT_EQ(f.at(150, 500), white_rgb);
    EXPECT_EQ(f.at(290, 500), white_rgb);
    EXPECT_EQ(f.at(296, 500), black_rgb);
}

TEST(Font, GlyphMapping) {
    EXPECT_EQ(glyph('A')[0], 0x0e);
    EXPECT_EQ(glyph('z')[2], 0x1f);
    EXPECT_EQ(glyph('9')[3], 0x0f);
    EXPECT_EQ(glyph(']')[1], 0x02);
    for (unsigned c : {(unsigned)' ', (unsigned)'/', (unsigned)'_', (unsigned)'?', (unsigned)'\n', 128u, 255u}) {
        const unsigned char* rows = glyph((unsigned char)c);
        ASSERT_NE(rows, nullptr);
        for (int r = 0; r < 7; ++r) EXPECT_EQ(rows[r], 0) << "byte " << c;
    }
    EXPECT_EQ(glyph(' '), glyph(200));  // one shared blank glyph
}

TEST(Font, LetterAAtScaleOne) {
    begin_gl_test_frame();
    text("A", 0.0f, 0.0f, 1.0f);
    Frame f;
    const char* expected[7] = {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"};
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(f.at(x, y) == white_rgb, expected[y][x] == '#') << x << "," << y;
    EXPECT_EQ(f.count(white_rgb, 0, 0, 20, 20), 18);
}

TEST(Font, BlankCellsAdvanceThePen) {
    begin_gl_test_frame();
    text(" 7", 100.0f, 100.0f, 2.0f);
    text("/_?\xc8\xff" "1", 100.0f, 200.0f, 1.0f);
    Frame f;
    int x0, y0, x1, y1;
    ASSERT_TRUE(f.lit_bounds(&x0, &y0, &x1, &y1));
    EXPECT_EQ(f.count(white_rgb, 100, 100, 112, 114), 0);
    EXPECT_EQ(f.at(112, 100), white_rgb);  // "7" starts at x + 6 * scale
    // "1" is the sixth cell: starts at x = 130; its top row 04 lights column 2
    EXPECT_EQ(f.count(white_rgb, 100, 200, 130, 207), 0);
    EXPECT_EQ(f.at(132, 200), white_rgb);
}

TEST(Font, EmptyStringDrawsNothingAndKeepsColour) {
    begin_gl_test_frame();
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    text("", 10.0f, 10.0f, 3.0f);
    centered_credit_text("", 10.0f);
    GLfloat colour[4];
    flush_drawing();
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 0.0f);
    EXPECT_EQ(colour[1], 1.0f);
    Frame f;
    int x0, y0, x1, y1;
    EXPECT_FALSE(f.lit_bounds(&x0, &y0, &x1, &y1));
}

TEST(Font, CreditTextIsCentred) {
    begin_gl_test_frame();
    centered_credit_text("1", 100.0f);  // glyph "1" spans columns 1..3
    centered_credit_text("seeking start point", 508.0f);
    Frame f;
    // One character: cell 955..964; "1" lights font columns 1..3 -> 957..962
    EXPECT_EQ(f.count(white_rgb, 0, 100, 957, 114), 0);
    EXPECT_EQ(f.at(957, 102), white_rgb);
    EXPECT_EQ(f.at(962, 113), white_rgb);
    EXPECT_EQ(f.count(white_rgb, 963, 100, 1920, 114), 0);
    // "seeking start point" starts at 793; "s" lights columns 1..4 of row 2
    int left = 1920, right = -1;
    for (int y = 508; y < 522; ++y)
        for (int x = 0; x < 1920; ++x)
            if (f.at(x, y) == white_rgb) {
                if (x < left) left = x;
                if (x > right) right = x;
            }
    EXPECT_EQ(left, 793);             // row 3 of "s" (10) lights its first column
    EXPECT_EQ(right, 960 + 167 - 1);  // row 5 of the final "t" (09) lights its last
}

}  // namespace
