// The drawing seam: every shape of the piece reaches the screen or a frame
// through these few calls, drawn by one of two backends chosen once per
// run: OpenGL (real time, and offline with --renderer gl), or our own
// rasteriser into a frame in memory, with the same pixels on every machine.
// Colours are opaque; drawing order alone decides what is seen.
#pragma once

#include "render/colour.h"

enum class DrawBackend { gl, raster };

// Chooses the backend for the rest of the run (the default is OpenGL).
void use_draw_backend(DrawBackend backend);
DrawBackend draw_backend();
// The rasteriser's frame: RGB, bottom row first, as an OpenGL read-back
// gives it. Valid while the raster backend is chosen.
const unsigned char* raster_frame_pixels();

// Clears the frame to black and notes that nothing has been drawn on it.
void clear_frame_to_black();
// False while the frame is still all black from the clear: nothing was
// drawn since, so it need not be read back to be known.
bool frame_has_drawing();

// Makes c the current colour; it stays current for the calls that follow.
void set_colour(Colour c);
// A filled quad of four vertices, in GL_QUADS order.
void fill_quad(float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3);
// Width-4 lines: begin_lines takes vertices in pairs, one segment each;
// begin_line_loop joins every vertex to the next and the last to the
// first. end_lines closes either.
void begin_lines();
void begin_line_loop();
void line_vertex(float x, float y);
void end_lines();
// Hands everything drawn so far to the backend: before a read-back, a
// buffer swap or any other OpenGL call.
void flush_drawing();
