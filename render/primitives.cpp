#include "render/primitives.h"

#include <cmath>

float snap(float v) {
    return (float)std::floor((double)v + 0.5);
}

void rect(float x, float y, float w, float h) {
    x = snap(x);
    y = snap(y);
    w = snap(w);
    h = snap(h);
    fill_quad(x, y, x + w, y, x + w, y + h, x, y + h);
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
        set_colour(black_colour);
        rect(cx - inner * 0.5f, cy - inner * 0.5f, inner, inner);
    }
    set_colour(Colour{r, g, b});
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
    float xy[8];
    for (int k = 0; k < 4; ++k) {
        float dx = hw * corners[k][0];
        float dy = hh * corners[k][1];
        float X = (dx * cs + cx) - dy * sn;
        float Y = (sn * dx + cy) + cs * dy;
        xy[2 * k] = snap(X);
        xy[2 * k + 1] = snap(Y);
    }
    fill_quad(xy[0], xy[1], xy[2], xy[3], xy[4], xy[5], xy[6], xy[7]);
}

void capture_line(float x0, float y0, float x1, float y1, float trim) {
    float dx = x1 - x0;
    float dy = y1 - y0;
    float len = std::sqrt(dx * dx + dy * dy);
    if (len <= trim) return;
    float f = (len - trim) / len;
    line_vertex(snap(x0), snap(y0));
    line_vertex(snap(x0 + f * dx), snap(dy * f + y0));
}
