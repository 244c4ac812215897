// Our own rasteriser: filled quads and width-4 lines, in flat opaque
// colours, drawn into a 1920x1080 RGB frame in memory with exactly the
// pixel rules of the software OpenGL driver the piece was made with: the
// same vertex transform and sub-pixel snapping, the same clipping at the
// screen's edges, the same edge ties, the same ends of wide lines and the
// same conversion of colours to bytes. So every machine draws the same
// bytes, with or without a GPU. Pure code: no GL, no SDL, no allocation.
#pragma once

#include "render/screen.h"

#include <cstddef>
#include <cstdint>

const size_t raster_frame_bytes = screen_pixels * 3;

// One frame: R, G, B per pixel, the bottom row first (the row order of an
// OpenGL read-back, which the outputs expect).
struct RasterFrame {
    unsigned char rgb[raster_frame_bytes];
    unsigned char colour[3];  // the current colour as bytes
};

// A colour channel as the driver stores it: c * 255 rounded half to even,
// 0 at or below 0, 255 at or above 1.
unsigned char colour_channel_byte(float c);

void raster_clear(RasterFrame& frame);
void raster_set_colour(RasterFrame& frame, float r, float g, float b);
// A filled quad of four screen positions (GL_QUADS order).
void raster_quad(RasterFrame& frame, const float xy[8]);
// A width-4 line segment from (x0, y0) to (x1, y1), screen positions.
void raster_line(RasterFrame& frame, float x0, float y0, float x1, float y1);
