// The OpenGL backend: immediate mode. Filled quads share one open GL_QUADS
// batch, colour changes inside it: drawn in the same order, they give the
// same pixels as one glBegin/glEnd each, for far less work.
#include "render/draw_backends.h"

#include <GL/gl.h>

namespace {

bool quads_open = false;

void end_quad_batch() {
    if (!quads_open) return;
    glEnd();
    quads_open = false;
}

void gl_clear() {
    end_quad_batch();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

void gl_colour(float r, float g, float b) {
    glColor4f(r, g, b, 1.0f);
}

void gl_quad(const float xy[8]) {
    if (!quads_open) {
        glBegin(GL_QUADS);
        quads_open = true;
    }
    for (int k = 0; k < 4; ++k) glVertex2f(xy[2 * k], xy[2 * k + 1]);
}

void gl_begin_lines(bool loop) {
    end_quad_batch();
    glBegin(loop ? GL_LINE_LOOP : GL_LINES);
}

void gl_line_vertex(float x, float y) {
    glVertex2f(x, y);
}

void gl_end_lines() {
    glEnd();
}

}  // namespace

const DrawCalls gl_draw_calls = {gl_clear, gl_colour, gl_quad, gl_begin_lines, gl_line_vertex, gl_end_lines, end_quad_batch};
