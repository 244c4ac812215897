// The rasteriser backend: every call draws at once into one frame in
// memory, made once for the whole run.
#include "render/draw.h"
#include "render/draw_backends.h"

#include "render/raster.h"

namespace {

RasterFrame frame;
// The open line batch: a loop remembers its first vertex, and every batch
// the vertex that waits for the next.
bool loop_open = false;
int vertices_seen = 0;
float first_x, first_y, last_x, last_y;

void raster_colour(float r, float g, float b) {
    raster_set_colour(frame, r, g, b);
}

void raster_fill(const float xy[8]) {
    raster_quad(frame, xy);
}

void raster_begin_lines(bool loop) {
    loop_open = loop;
    vertices_seen = 0;
}

void raster_line_vertex(float x, float y) {
    if (vertices_seen == 0) {
        first_x = x;
        first_y = y;
    } else if (loop_open || vertices_seen % 2 == 1) {
        raster_line(frame, last_x, last_y, x, y);
    }
    last_x = x;
    last_y = y;
    vertices_seen++;
}

void raster_end_lines() {
    if (loop_open && vertices_seen > 1) raster_line(frame, last_x, last_y, first_x, first_y);
    loop_open = false;
    vertices_seen = 0;
}

void raster_clear_frame() {
    raster_clear(frame);
}

void nothing_to_flush() {}

}  // namespace

const DrawCalls raster_draw_calls = {raster_clear_frame, raster_colour,      raster_fill,     raster_begin_lines,
                                     raster_line_vertex, raster_end_lines, nothing_to_flush};

const unsigned char* raster_frame_pixels() {
    return frame.rgb;
}
