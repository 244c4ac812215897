#include "render/primitives.h"

#include <GL/gl.h>
#include <cmath>

namespace {
bool quads_open = false;
bool drawn_since_clear = true;  // unknown until the first clear

void open_quad_batch() {
    drawn_since_clear = true;
    if (quads_open) return;
    glBegin(GL_QUADS);
    quads_open = true;
}
}  // namespace

void clear_frame_to_black() {
    end_quad_batch();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    drawn_since_clear = false;
}

bool frame_has_drawing() {
    return drawn_since_clear;
}

void end_quad_batch() {
    if (!quads_open) return;
    glEnd();
    quads_open = false;
}

void begin_shape(unsigned int mode) {
    end_quad_batch();
    drawn_since_clear = true;
    glBegin(mode);
}

void set_colour(Colour c) {
    glColor4f(c.r, c.g, c.b, 1.0f);
}

float snap(float v) {
    return (float)std::floor((double)v + 0.5);
}

void rect(float x, float y, float w, float h) {
    x = snap(x);
    y = snap(y);
    w = snap(w);
    h = snap(h);
    open_quad_batch();
    glVertex2f(x, y);
    glVertex2f(x + w, y);
    glVertex2f(x + w, y + h);
    glVertex2f(x, y + h);
}

void hollow_rect(float cx, float cy, float size) {
    float s = snap(size * 1.5f);
    float left = snap(cx - 0.5f * s);
    float top = snap(cy - 0.5f * s);
    if (s <= 8.0f) {
        rect(left, top, s, s);
        return;
    }
    rect(left, top, s, 4.0f);
    rect(left, top + s - 4.0f, s, 4.0f);
    rect(left, top + 4.0f, 4.0f, s - 8.0f);
    rect(left + s - 4.0f, top + 4.0f, 4.0f, s - 8.0f);
}

void opaque_hollow_rect(float cx, float cy, float size, float r, float g, float b) {
    float inner = size * 1.5f - 8.0f;
    if (inner > 0.0f) {
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
        rect(cx - inner * 0.5f, cy - inner * 0.5f, inner, inner);
    }
    glColor4f(r, g, b, 1.0f);
    hollow_rect(cx, cy, size);
}

static const float corners[4][2] = {{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}};

void rotated_rect(float cx, float cy, float w, float h, float angle) {
    double sd = 0.0, cd = 0.0;
    sincos((double)angle, &sd, &cd);
    float sn = (float)sd;
    float cs = (float)cd;
    float hw = w * 0.5f;
    float hh = h * 0.5f;
    open_quad_batch();
    for (const auto& corner : corners) {
        float dx = hw * corner[0];
        float dy = hh * corner[1];
        float X = (dx * cs + cx) - dy * sn;
        float Y = (sn * dx + cy) + cs * dy;
        glVertex2f(snap(X), snap(Y));
    }
}

void capture_line(float x0, float y0, float x1, float y1, float trim) {
    float dx = x1 - x0;
    float dy = y1 - y0;
    float len = std::sqrt(dx * dx + dy * dy);
    if (len <= trim) return;
    float f = (len - trim) / len;
    glVertex2f(snap(x0), snap(y0));
    glVertex2f(snap(x0 + f * dx), snap(dy * f + y0));
}
