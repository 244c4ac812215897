// The drawing calls through both backends: the corners that the reference
// runs do not show (snapping of negative halves, empty strings, glyphs the
// piece never writes), and random shapes drawn byte for byte alike.
#include "render/font.h"
#include "render/primitives.h"
#include "tests/support/gl_test_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

class Primitives : public testing::TestWithParam<DrawBackend> {};

TEST(Snap, HalvesGoUp) {
    EXPECT_EQ(snap(2.5f), 3.0f);
    EXPECT_EQ(snap(-2.5f), -2.0f);
    EXPECT_EQ(snap(10.4f), 10.0f);
    EXPECT_EQ(snap(1.4f), 1.0f);
}

TEST_P(Primitives, RectSnapsEachArgumentOnItsOwn) {
    begin_gl_test_frame(GetParam());
    rect(10.5f, 10.5f, 3.5f, 3.5f);
    rect(10.4f, 100.0f, 1.4f, 1.0f);
    Frame f;
    EXPECT_EQ(f.count(white_rgb, 0, 0, 50, 50), 16);
    EXPECT_EQ(f.count(white_rgb, 11, 11, 15, 15), 16);  // pixels 11..14 both ways
    EXPECT_EQ(f.at(10, 100), white_rgb);
    EXPECT_EQ(f.count(white_rgb, 0, 90, 50, 110), 1);
}

TEST_P(Primitives, OpaqueHollowRectHidesWhatLiesBehindAndLeavesItsColour) {
    begin_gl_test_frame(GetParam());
    set_colour(green_colour);
    rect(50.0f, 50.0f, 100.0f, 100.0f);
    opaque_hollow_rect(100.0f, 100.0f, 17.0f, 1.0f, 0.0f, 0.0f);
    opaque_hollow_rect(300.0f, 100.0f, 5.0f, 0.0f, 0.0f, 1.0f);  // inner < 0: only the filled square
    rect(600.0f, 600.0f, 2.0f, 2.0f);  // in the colour left current
    Frame f;
    EXPECT_EQ(f.count(blue_rgb, 600, 600, 602, 602), 4);
    EXPECT_EQ(f.count(black_rgb, 91, 91, 109, 109), 18 * 18);
    EXPECT_EQ(f.count(red_rgb, 87, 87, 113, 113), 26 * 26 - 18 * 18);
    EXPECT_EQ(f.count(blue_rgb, 280, 80, 320, 120), 64);
    EXPECT_EQ(f.count(black_rgb, 280, 80, 320, 120), 40 * 40 - 64);
}

TEST_P(Primitives, CaptureLineTrimmedSegmentsKeepTheBatchEven) {
    begin_gl_test_frame(GetParam());
    begin_lines();
    capture_line(100.0f, 100.0f, 108.0f, 100.0f, 8.0f);  // length 8: nothing
    capture_line(200.0f, 100.0f, 200.0f, 105.0f, 8.0f);  // shorter: nothing
    capture_line(300.0f, 300.0f, 300.0f, 300.0f, 0.0f);  // zero length, trim 0: nothing
    capture_line(100.0f, 500.0f, 300.0f, 500.0f, 8.0f);  // ends at x = 292
    end_lines();
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

TEST_P(Primitives, FontBlankCellsAdvanceThePen) {
    begin_gl_test_frame(GetParam());
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

TEST_P(Primitives, FontEmptyStringDrawsNothingAndKeepsColour) {
    begin_gl_test_frame(GetParam());
    set_colour(green_colour);
    text("", 10.0f, 10.0f, 3.0f);
    centered_credit_text("", 10.0f);
    Frame empty;
    int x0, y0, x1, y1;
    EXPECT_FALSE(empty.lit_bounds(&x0, &y0, &x1, &y1));
    rect(10.0f, 10.0f, 1.0f, 1.0f);  // in the colour left current
    Frame f;
    EXPECT_EQ(f.at(10, 10), green_rgb);
}

TEST_P(Primitives, FontCreditTextIsCentred) {
    begin_gl_test_frame(GetParam());
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

INSTANTIATE_TEST_SUITE_P(BothBackends, Primitives, testing::Values(DrawBackend::gl, DrawBackend::raster),
                         [](const testing::TestParamInfo<DrawBackend>& info) {
                             return info.param == DrawBackend::gl ? "OpenGL" : "Rasteriser";
                         });

// Random shapes through both backends, byte for byte: turned and
// axis-aligned quads and width-4 lines at many angles (exact 45 degrees
// among them) and lengths, partly or far off screen, in random colours.
TEST(BackendConformance, RandomShapesGiveTheSameBytes) {
    uint64_t state = 99;
    auto unit = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (double)(state >> 11) / 9007199254740992.0;
    };
    auto whole = [&](double lo, double hi) { return (float)std::floor(lo + unit() * (hi - lo)); };
    for (int batch = 0; batch < 12; ++batch) {
        std::vector<float> shapes;  // kind, colour, four vertices
        const double reach = batch < 6 ? 300.0 : 4000.0;
        for (int i = 0; i < 150; ++i) {
            float kind = (float)(i % 3);
            shapes.push_back(kind);
            for (int c = 0; c < 3; ++c) shapes.push_back((float)unit());
            float x = whole(-reach, 1920.0 + reach), y = whole(-reach, 1080.0 + reach);
            if (kind == 0.0f) {  // a line: along an axis, at 45 degrees, or anywhere
                float d = whole(-400.0, 400.0);
                int shape = (int)(unit() * 4.0);
                float x1 = shape == 0 ? x + d : shape == 2 ? x + d : whole(-reach, 1920.0 + reach);
                float y1 = shape == 1 ? y + d : shape == 2 ? y - d : shape == 0 ? y : whole(-reach, 1080.0 + reach);
                for (float v : {x, y, x1, y1, 0.0f, 0.0f, 0.0f, 0.0f}) shapes.push_back(v);
            } else {
                float w = whole(1.0, 400.0), h = whole(1.0, 400.0);
                float angle = kind == 1.0f ? (float)(unit() * 6.3) : 0.0f;
                float cs = std::cos(angle), sn = std::sin(angle);
                const float corner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
                for (const auto& k : corner) {
                    float dx = w * 0.5f * k[0], dy = h * 0.5f * k[1];
                    shapes.push_back(snap((dx * cs + x) - dy * sn));
                    shapes.push_back(snap((sn * dx + y) + cs * dy));
                }
            }
        }
        std::vector<uint8_t> pictures[2];
        for (DrawBackend backend : {DrawBackend::gl, DrawBackend::raster}) {
            begin_gl_test_frame(backend);
            for (size_t i = 0; i < shapes.size(); i += 12) {
                const float* s = &shapes[i];
                set_colour(Colour{s[1], s[2], s[3]});
                if (s[0] == 0.0f) {
                    begin_lines();
                    line_vertex(s[4], s[5]);
                    line_vertex(s[6], s[7]);
                    end_lines();
                } else {
                    fill_quad(s[4], s[5], s[6], s[7], s[8], s[9], s[10], s[11]);
                }
            }
            pictures[backend == DrawBackend::raster] = Frame().pixels();
        }
        size_t differing = 0;
        for (size_t k = 0; k < pictures[0].size(); k += 3)
            differing += std::memcmp(&pictures[0][k], &pictures[1][k], 3) != 0;
        EXPECT_EQ(differing, 0u) << "batch " << batch;
    }
    use_draw_backend(DrawBackend::gl);
}

}  // namespace
