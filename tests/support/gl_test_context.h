// A real OpenGL 2.1 context for drawing tests: a 1920x1080 window (the
// offscreen driver in CTest, or Xvfb) with the program's own GL state, and
// read-back of the finished frame with the top row first.
#pragma once

#include <cstdint>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

const Rgb black_rgb = {0, 0, 0};
const Rgb white_rgb = {255, 255, 255};
const Rgb red_rgb = {255, 0, 0};
const Rgb green_rgb = {0, 255, 0};
const Rgb blue_rgb = {0, 0, 255};

#include "render/draw.h"

// Draws with backend from now on (the OpenGL window and context are opened
// once per test program), clears the frame to black and makes white the
// current colour.
void begin_gl_test_frame(DrawBackend backend = DrawBackend::gl);

// Reads the finished frame of the current backend (the OpenGL back buffer
// or the rasteriser's frame): 1920 x 1080 RGB, row 0 = top of the screen.
class Frame {
public:
    Frame();
    Rgb at(int x, int y) const;
    // Number of pixels of this colour inside [x0, x1) x [y0, y1).
    int count(Rgb colour, int x0, int y0, int x1, int y1) const;
    // Bounding box of all pixels that are not black; false if none.
    bool lit_bounds(int* x0, int* y0, int* x1, int* y1) const;
    const std::vector<uint8_t>& pixels() const { return rgb_; }

private:
    std::vector<uint8_t> rgb_;
};
