#include "render/draw.h"

#include "render/draw_backends.h"

// A build without OpenGL (the browser's) has the rasteriser alone.
#ifdef OSTREL_RASTER_ONLY
static const DrawCalls& default_draw_calls = raster_draw_calls;
static const DrawCalls& chosen_draw_calls(DrawBackend) { return raster_draw_calls; }
#else
static const DrawCalls& default_draw_calls = gl_draw_calls;
static const DrawCalls& chosen_draw_calls(DrawBackend backend) {
    return backend == DrawBackend::raster ? raster_draw_calls : gl_draw_calls;
}
#endif

namespace {
const DrawCalls* calls = &default_draw_calls;
DrawBackend chosen = DrawBackend::gl;
bool drawn_since_clear = true;  // unknown until the first clear
}  // namespace

void use_draw_backend(DrawBackend backend) {
    calls->flush();
    chosen = backend;
    calls = &chosen_draw_calls(backend);
    drawn_since_clear = true;
}

DrawBackend draw_backend() {
    return chosen;
}

void clear_frame_to_black() {
    calls->clear();
    drawn_since_clear = false;
}

bool frame_has_drawing() {
    return drawn_since_clear;
}

void set_colour(Colour c) {
    calls->colour(c.r, c.g, c.b);
}

void fill_quad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3) {
    const float xy[8] = {x0, y0, x1, y1, x2, y2, x3, y3};
    drawn_since_clear = true;
    calls->quad(xy);
}

void begin_lines() {
    drawn_since_clear = true;
    calls->begin_lines(false);
}

void begin_line_loop() {
    drawn_since_clear = true;
    calls->begin_lines(true);
}

void line_vertex(float x, float y) {
    calls->line_vertex(x, y);
}

void end_lines() {
    calls->end_lines();
}

void flush_drawing() {
    calls->flush();
}
