#include "render/raster.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace {

// Positions carry 8 fractional bits once snapped; a pixel is sampled at its
// centre, which lies on the whole numbers after the half-pixel offset.
const int fixed_order = 8;
const int fixed_one = 1 << fixed_order;
const float pixel_offset = 0.5f;
const int line_half_width = 2 * fixed_one;  // width 4

// The orthographic projection of the 1920x1080 screen, as the driver builds
// it in single precision, and its viewport (y flipped: the window's rows
// are stored upside down, so the driver's y is our top-down y).
const float projection_x = 2.0f / screen_width_f;
const float projection_y = 2.0f / (0.0f - screen_height_f);
const float viewport_scale_x = screen_width_f * 0.5f;
const float viewport_scale_y = -screen_height_f * 0.5f;
const float viewport_offset_x = screen_width_f * 0.5f;
const float viewport_offset_y = screen_height_f * 0.5f;

// A vertex in clip space (w is always 1) and in window space, with the
// planes it lies outside of: bit 0 x > w, bit 1 x < -w, bit 2 y > w,
// bit 3 y < -w.
struct Vertex {
    float cx, cy;
    float wx, wy;
    unsigned outside;
};

Vertex transform_vertex(float x, float y) {
    Vertex v;
    v.cx = x * projection_x - 1.0f;
    v.cy = y * projection_y + 1.0f;
    // The driver's vertex code maps to the window with one fused
    // multiply-add; std::fma rounds once on every CPU.
    v.wx = std::fma(v.cx, viewport_scale_x, viewport_offset_x);
    v.wy = std::fma(v.cy, viewport_scale_y, viewport_offset_y);
    v.outside = (v.cx > 1.0f ? 1u : 0u) | (v.cx < -1.0f ? 2u : 0u) | (v.cy > 1.0f ? 4u : 0u) |
                (v.cy < -1.0f ? 8u : 0u);
    return v;
}

// Signed distance inside clip plane k, as the clipper's dot product gives it.
float plane_distance(const Vertex& v, int k) {
    switch (k) {
    case 0: return (-v.cx + 0.0f * v.cy) + 1.0f;
    case 1: return (v.cx + 0.0f * v.cy) + 1.0f;
    case 2: return (0.0f * v.cx + -v.cy) + 1.0f;
    default: return (0.0f * v.cx + v.cy) + 1.0f;
    }
}

// The clipper's new vertex t of the way from out to in; its window
// position is mapped without the fused step.
Vertex interpolate(float t, const Vertex& out, const Vertex& in) {
    Vertex v;
    v.cx = out.cx + t * (in.cx - out.cx);
    v.cy = out.cy + t * (in.cy - out.cy);
    v.wx = v.cx * viewport_scale_x + viewport_offset_x;
    v.wy = v.cy * viewport_scale_y + viewport_offset_y;
    v.outside = 0;
    return v;
}

// Triangles: to 1/256 pixel, halves to even (the driver's vector path).
int snap_fixed(float v) {
    return (int)std::lrint((v - pixel_offset) * (float)fixed_one);
}

// Lines: to 1/256 pixel through the driver's scalar rounding, halves away
// from zero (the half added in single precision).
int snap_line_fixed(float v) {
    const float f = (v - pixel_offset) * (float)fixed_one;
    return f >= 0.0f ? (int)(f + 0.5f) : (int)(f - 0.5f);
}

// One edge of a convex shape: pixel (px, py) is inside when
// c + b * 256 * py - a * 256 * px > 0.
struct Edge {
    int64_t a, b, c;
};

Edge make_edge(int x0, int y0, int x1, int y1) {
    Edge e;
    e.a = (int64_t)y0 - y1;
    e.b = (int64_t)x0 - x1;
    e.c = e.a * x0 - e.b * y0;
    // Ties: left edges and the bottom edge own the centres on them.
    if (e.a < 0 || (e.a == 0 && e.b < 0)) e.c += 1;
    return e;
}

int64_t floor_div(int64_t n, int64_t d) {  // d > 0
    int64_t q = n / d;
    if (n % d != 0 && n < 0) q -= 1;
    return q;
}

void fill_span(RasterFrame& frame, int py, int x0, int x1) {
    unsigned char* row = frame.rgb + (size_t)(screen_height - 1 - py) * screen_width * 3;
    const unsigned char r = frame.colour[0], g = frame.colour[1], b = frame.colour[2];
    for (int px = x0; px <= x1; ++px) {
        unsigned char* p = row + (size_t)px * 3;
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
}

// Fills every pixel inside all edges, row by row: each edge bounds the row
// to an interval of whole pixel columns.
void fill_edges(RasterFrame& frame, const Edge* edges, int count, const int* ys) {
    int min_y = ys[0], max_y = ys[0];
    for (int i = 1; i < count; ++i) {
        if (ys[i] < min_y) min_y = ys[i];
        if (ys[i] > max_y) max_y = ys[i];
    }
    int64_t first_row = floor_div(min_y, fixed_one);
    int64_t last_row = floor_div(max_y, fixed_one) + 1;
    if (first_row < 0) first_row = 0;
    if (last_row > screen_height - 1) last_row = screen_height - 1;
    for (int64_t py = first_row; py <= last_row; ++py) {
        int64_t lo = 0, hi = screen_width - 1;
        for (int i = 0; i < count && lo <= hi; ++i) {
            const Edge& e = edges[i];
            const int64_t k = e.c + e.b * fixed_one * py;  // inside: k - a * 256 * px > 0
            const int64_t step = e.a * fixed_one;
            if (step == 0) {
                if (k <= 0) hi = -1;
            } else if (step > 0) {
                int64_t limit = floor_div(k - 1, step);
                if (limit < hi) hi = limit;
            } else {
                int64_t limit = floor_div(-k, -step) + 1;
                if (limit > lo) lo = limit;
            }
        }
        if (lo <= hi) fill_span(frame, (int)py, (int)lo, (int)hi);
    }
}

// The set-up of one triangle in window positions: snapped, turned to one
// winding, then filled.
void setup_triangle(RasterFrame& frame, const Vertex& v0, const Vertex& v1, const Vertex& v2) {
    int x[3] = {snap_fixed(v0.wx), snap_fixed(v1.wx), snap_fixed(v2.wx)};
    int y[3] = {snap_fixed(v0.wy), snap_fixed(v1.wy), snap_fixed(v2.wy)};
    const int64_t area = (int64_t)(x[0] - x[1]) * (y[2] - y[0]) - (int64_t)(x[2] - x[0]) * (y[0] - y[1]);
    if (area == 0) return;
    if (area < 0) {
        std::swap(x[0], x[1]);
        std::swap(y[0], y[1]);
    }
    Edge edges[3];
    for (int i = 0; i < 3; ++i) edges[i] = make_edge(x[i], y[i], x[(i + 1) % 3], y[(i + 1) % 3]);
    fill_edges(frame, edges, 3, y);
}

const int max_clipped_vertices = 16;

// Clips a triangle against the planes in mask, plane 0 first, and fills
// the polygon left as a fan.
void clip_triangle(RasterFrame& frame, const Vertex& a, const Vertex& b, const Vertex& c, unsigned mask) {
    Vertex store_a[max_clipped_vertices + 1], store_b[max_clipped_vertices + 1];
    Vertex* in = store_a;
    Vertex* out = store_b;
    in[0] = a;
    in[1] = b;
    in[2] = c;
    int n = 3;
    while (mask != 0 && n >= 3) {
        const int plane = __builtin_ctz(mask);
        mask &= mask - 1;
        float dp_prev = plane_distance(in[0], plane);
        if (!std::isfinite(dp_prev)) return;
        in[n] = in[0];
        int count = 0;
        for (int i = 1; i <= n; ++i) {
            const Vertex& vert = in[i];
            const Vertex& prev = in[i - 1];
            const float dp = plane_distance(vert, plane);
            if (!std::isfinite(dp)) return;
            bool different_sign;
            if (dp_prev >= 0.0f) {
                out[count++] = prev;
                different_sign = dp < 0.0f;
            } else {
                different_sign = !(dp < 0.0f);
            }
            if (different_sign) {
                if (count >= max_clipped_vertices) return;
                const float denom = dp - dp_prev;
                if (dp < 0.0f) {
                    out[count++] = -dp < dp_prev ? interpolate(dp / denom, vert, prev)
                                                 : interpolate(-dp_prev / denom, prev, vert);
                } else {
                    out[count++] = -dp_prev < dp ? interpolate(-dp_prev / denom, prev, vert)
                                                 : interpolate(dp / denom, vert, prev);
                }
            }
            if (count >= max_clipped_vertices) return;
            dp_prev = dp;
        }
        std::swap(in, out);
        n = count;
    }
    for (int i = 2; i < n; ++i) setup_triangle(frame, in[i - 1], in[i], in[0]);
}

void draw_triangle(RasterFrame& frame, const Vertex& a, const Vertex& b, const Vertex& c) {
    const unsigned any = a.outside | b.outside | c.outside;
    if (any == 0) {
        setup_triangle(frame, a, b, c);
    } else if ((a.outside & b.outside & c.outside) == 0) {
        clip_triangle(frame, a, b, c, any);
    }
}

bool non_negative(float v) {
    return v >= 0.0f;
}

float fraction_of(float v) {
    return v - std::floor(v);
}

// Where each end of a line sits inside its pixel: the offsets from the
// pixel centre.
struct EndOffsets {
    float x1diff, y1diff, x2diff, y2diff;
};

// The diamond-exit rule for one end of a line: an end inside the diamond of
// its pixel is kept when keep_in_diamond; otherwise leaving the pixel away
// from the line drops it, reaching across the minor axis keeps it, and else
// it counts when the line crosses the pixel's edge inside the edge (0
// included when zero_counts).
bool diamond_exit(bool in_diamond, bool keep_in_diamond, bool leaves_away, bool crosses, float cross,
                  bool zero_counts) {
    if (in_diamond) return keep_in_diamond;
    if (leaves_away) return false;
    if (crosses) return true;
    return cross < 1.0f && (zero_counts ? cross >= 0.0f : cross > 0.0f);
}

// An end whose diamond-exit decision differs from what the quad would draw
// is moved along the major axis to half a pixel (half, signed as the quad
// runs) past its pixel centre, and across it by the slope. When the quad
// runs from the second end to the first (reversed) the ends trade places.
// along[0], along[1] and across[0], across[1]: the offsets of the quad's
// first and second end.
void move_line_ends(bool reversed, float half, float diff1, float diff2, bool move_start, bool move_end, float slope,
                    float* along, float* across) {
    const int start = reversed ? 1 : 0;
    if (move_start) {
        along[start] = -diff1 + half;
        across[start] = along[start] * slope;
    }
    if (move_end) {
        along[1 - start] = -diff2 + half;
        across[1 - start] = along[1 - start] * slope;
    }
}

// A line that is at least as wide as tall: the diamond-exit decisions at
// both ends, then the corners of a quad as tall as the line is wide.
void x_major_line_quad(Vertex v1, Vertex v2, float dx, float dy, EndOffsets e, int* x, int* y) {
    float x1diff = e.x1diff, y1diff = e.y1diff, x2diff = e.x2diff, y2diff = e.y2diff;
    const float dydx = dy / dx;
    if (y2diff == -0.5f && dy < 0.0f) y2diff = 0.5f;
    const bool draw_start = diamond_exit(std::fabs(x1diff) + std::fabs(y1diff) < 0.5f, true,
                                         non_negative(x1diff) == non_negative(-dx),
                                         non_negative(-y1diff) != non_negative(dy),
                                         fraction_of(v1.wy) + x1diff * dydx, false);
    const bool draw_end = diamond_exit(std::fabs(x2diff) + std::fabs(y2diff) < 0.5f, false,
                                       non_negative(x2diff) != non_negative(-dx),
                                       non_negative(-y2diff) == non_negative(dy),
                                       fraction_of(v2.wy) + x2diff * dydx, false);
    const bool will_draw_start = non_negative(-x1diff) != non_negative(dx);
    const bool will_draw_end = non_negative(x2diff) == non_negative(-dx) || x2diff == 0.0f;
    const bool reversed = dx < 0.0f;
    if (reversed) std::swap(v1, v2);
    float along[2] = {0.0f, 0.0f}, across[2] = {0.0f, 0.0f};
    move_line_ends(reversed, reversed ? -0.5f : 0.5f, x1diff, x2diff, will_draw_start != draw_start,
                   will_draw_end != draw_end, dydx, along, across);
    x[0] = snap_line_fixed(v1.wx + along[0]);
    x[1] = snap_line_fixed(v2.wx + along[1]);
    x[2] = x[1];
    x[3] = x[0];
    const int y1 = snap_line_fixed(v1.wy + across[0]), y2 = snap_line_fixed(v2.wy + across[1]);
    y[0] = y1 - line_half_width;
    y[1] = y2 - line_half_width;
    y[2] = y2 + line_half_width;
    y[3] = y1 + line_half_width;
}

// A line taller than wide: the same, with the axes exchanged.
void y_major_line_quad(Vertex v1, Vertex v2, float dx, float dy, EndOffsets e, int* x, int* y) {
    float x1diff = e.x1diff, y1diff = e.y1diff, x2diff = e.x2diff, y2diff = e.y2diff;
    const float dxdy = dx / dy;
    if (x2diff == -0.5f && dx < 0.0f) x2diff = 0.5f;
    const bool draw_start = diamond_exit(std::fabs(x1diff) + std::fabs(y1diff) < 0.5f, true,
                                         non_negative(-y1diff) == non_negative(dy),
                                         non_negative(x1diff) != non_negative(-dx),
                                         fraction_of(v1.wx) + y1diff * dxdy, false);
    const bool draw_end = diamond_exit(std::fabs(x2diff) + std::fabs(y2diff) < 0.5f, false,
                                       non_negative(-y2diff) != non_negative(dy),
                                       non_negative(x2diff) == non_negative(-dx),
                                       fraction_of(v2.wx) + y2diff * dxdy, true);
    const bool will_draw_start = non_negative(y1diff) == non_negative(dy);
    const bool will_draw_end = non_negative(-y2diff) == non_negative(dy) || y2diff == 0.0f;
    const bool reversed = dy > 0.0f;
    if (reversed) std::swap(v1, v2);
    float along[2] = {0.0f, 0.0f}, across[2] = {0.0f, 0.0f};
    move_line_ends(reversed, reversed ? 0.5f : -0.5f, y1diff, y2diff, will_draw_start != draw_start,
                   will_draw_end != draw_end, dxdy, along, across);
    const int x1 = snap_line_fixed(v1.wx + across[0]), x2 = snap_line_fixed(v2.wx + across[1]);
    x[0] = x1 - line_half_width;
    x[1] = x2 - line_half_width;
    x[2] = x2 + line_half_width;
    x[3] = x1 + line_half_width;
    y[0] = snap_line_fixed(v1.wy + along[0]);
    y[1] = snap_line_fixed(v2.wy + along[1]);
    y[2] = y[1];
    y[3] = y[0];
}

// The set-up of a width-4 line in window positions: a parallelogram whose
// ends are kept or trimmed by the diamond-exit rule.
void setup_line(RasterFrame& frame, Vertex v1, Vertex v2) {
    float dx = v1.wx - v2.wx;
    float dy = v1.wy - v2.wy;
    if (dx * dx + dy * dy == 0.0f) return;
    EndOffsets e;
    e.x1diff = v1.wx - std::floor(v1.wx) - 0.5f;
    e.y1diff = v1.wy - std::floor(v1.wy) - 0.5f;
    e.x2diff = v2.wx - std::floor(v2.wx) - 0.5f;
    e.y2diff = v2.wy - std::floor(v2.wy) - 0.5f;
    int x[4], y[4];  // the quad's corners in fixed point, in edge order
    if (std::fabs(dx) >= std::fabs(dy)) {
        x_major_line_quad(v1, v2, dx, dy, e, x, y);
    } else {
        y_major_line_quad(v1, v2, dx, dy, e, x, y);
    }
    Edge edges[4];
    for (int i = 0; i < 4; ++i) edges[i] = make_edge(x[i], y[i], x[(i + 1) % 4], y[(i + 1) % 4]);
    fill_edges(frame, edges, 4, y);
}

}  // namespace

unsigned char colour_channel_byte(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    // c * 255 rounded half to even, as the driver's code computes it: the
    // sum's last 8 bits of mantissa are the rounded byte.
    float scaled = c * (255.0f / 256.0f);
    float sum = scaled + 32768.0f;
    uint32_t bits;
    std::memcpy(&bits, &sum, sizeof bits);
    return (unsigned char)(bits & 0xffu);
}

void raster_clear(RasterFrame& frame) {
    std::memset(frame.rgb, 0, sizeof frame.rgb);
}

void raster_set_colour(RasterFrame& frame, float r, float g, float b) {
    frame.colour[0] = colour_channel_byte(r);
    frame.colour[1] = colour_channel_byte(g);
    frame.colour[2] = colour_channel_byte(b);
}

void raster_quad(RasterFrame& frame, const float xy[8]) {
    const Vertex v0 = transform_vertex(xy[0], xy[1]);
    const Vertex v1 = transform_vertex(xy[2], xy[3]);
    const Vertex v2 = transform_vertex(xy[4], xy[5]);
    const Vertex v3 = transform_vertex(xy[6], xy[7]);
    // A quad that needs clipping is split along its other diagonal, as the
    // driver's clipping path splits it.
    if ((v0.outside | v1.outside | v2.outside | v3.outside) != 0) {
        draw_triangle(frame, v0, v1, v3);
        draw_triangle(frame, v1, v2, v3);
    } else {
        setup_triangle(frame, v0, v1, v2);
        setup_triangle(frame, v0, v2, v3);
    }
}

void raster_line(RasterFrame& frame, float x0, float y0, float x1, float y1) {
    Vertex v0 = transform_vertex(x0, y0);
    Vertex v1 = transform_vertex(x1, y1);
    const unsigned any = v0.outside | v1.outside;
    if (any == 0) {
        setup_line(frame, v0, v1);
        return;
    }
    if ((v0.outside & v1.outside) != 0) return;
    float t0 = 0.0f, t1 = 0.0f;
    for (unsigned mask = any; mask != 0; mask &= mask - 1) {
        const int plane = __builtin_ctz(mask);
        const float dp0 = plane_distance(v0, plane);
        const float dp1 = plane_distance(v1, plane);
        if (!std::isfinite(dp0) || !std::isfinite(dp1)) return;
        if (dp1 < 0.0f) {
            float t = dp1 / (dp1 - dp0);
            if (t > t1) t1 = t;
        }
        if (dp0 < 0.0f) {
            float t = dp0 / (dp0 - dp1);
            if (t > t0) t0 = t;
        }
        if (t0 + t1 >= 1.0f) return;
    }
    const Vertex a = v0.outside != 0 ? interpolate(t0, v0, v1) : v0;
    const Vertex b = v1.outside != 0 ? interpolate(t1, v1, v0) : v1;
    setup_line(frame, a, b);
}
