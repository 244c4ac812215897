#include "scene/tree_drawing.h"

#include "render/primitives.h"
#include "scene/easing.h"

#include <algorithm>
#include <cmath>

// One float step above 0.7 and one below 0.4.
static const float pop_span = 0.70000005f;
static const float reach_span = 0.39999998f;

float growth_value(const TreeNode& node, float age) {
    if (node.parent < 0) return ease_slow_elastic_unit(2.0f * age);
    return ease_slow_elastic_unit((age - 0.65f) / pop_span);
}

float reach_value(float age) {
    return ease_anticipate_elastic_unit((age - 0.25f) / reach_span);
}

bool in_text_hole(float x, float y) {
    return x > 630.0f && x < 1290.0f && y > 410.0f && y < 670.0f;
}

void draw_tree_connectors(const TreeFrame& frame, const TreeAnimation& a) {
    const TreeNode* nodes = frame.nodes;
    const float p = frame.growth_progress;
    const float q = 1.0f - p;
    for (int i = 0; i < frame.count; ++i) {
        const int par = nodes[i].parent;
        if (!(a.tree_age[i] > 0.0f) || par < 0) continue;
        float gp = growth_value(nodes[par], a.tree_age[par]);
        if (!(gp > 0.0f)) continue;
        float gi = growth_value(nodes[i], a.tree_age[i]);
        float k = reach_value(a.tree_age[i]);
        float sx, sy;
        switch (nodes[i].dir) {
            case 0: sx = a.draw_x[par] + gp * a.box_w[par] * 0.5f; sy = a.draw_y[i]; break;
            case 1: sx = a.draw_x[i]; sy = a.draw_y[par] + gp * a.box_h[par] * 0.5f; break;
            case 2: sx = a.draw_x[par] - gp * a.box_w[par] * 0.5f; sy = a.draw_y[i]; break;
            default: sx = a.draw_x[i]; sy = a.draw_y[par] - gp * a.box_h[par] * 0.5f; break;
        }
        float dx = a.draw_x[i] - sx;
        float dy = a.draw_y[i] - sy;
        float ex = dx * k + sx;
        float ey = k * dy + sy;
        float inset = (((frame.tree_pulse * 0.16f + 0.55f) * nodes[i].size) * gi) * q + p * 6.0f;
        float test_x, test_y;
        if (std::fabs(dx) >= std::fabs(dy)) {
            ex = ex >= sx ? ex - inset : ex + inset;
            test_x = a.draw_x[i];
            test_y = sy;
        } else {
            ey = ey >= sy ? ey - inset : ey + inset;
            test_x = sx;
            test_y = a.draw_y[i];
        }
        if (i < frame.collapse_count) continue;
        if (frame.credit_mode && in_text_hole(test_x, test_y)) continue;
        set_colour(Colour{a.node_r[i], a.node_g[i], a.node_b[i]});
        begin_lines();
        line_vertex(snap(sx), snap(sy));
        line_vertex(snap(ex), snap(ey));
        end_lines();
    }
}

// Right-angled path from the top of lower box b up to the height of upper
// box j, then sideways to it, revealed up to len pixels.
static void draw_bracket_elbow(const TreeFrame& frame, const TreeAnimation& a, int j, int b, float kj) {
    float gb = growth_value(frame.nodes[b], a.tree_age[b]);
    if (!(gb > 0.0f)) return;
    if (std::min(j, b) < frame.collapse_count) return;
    if (frame.credit_mode && in_text_hole(a.draw_x[j], a.draw_y[j])) return;
    float xb = a.draw_x[b];
    float y1 = a.draw_y[b] - gb * a.box_h[b] * 0.5f;
    set_colour(Colour{a.node_r[j], a.node_g[j], a.node_b[j]});
    float dx = a.draw_x[j] - xb;
    float dy = a.draw_y[j] - y1;
    float adx = std::fabs(dx), ady = std::fabs(dy);
    if (adx + ady <= 0.0f) return;
    float len = std::min(1.0f, kj) * (adx + ady);
    begin_lines();
    if (len <= ady) {
        line_vertex(snap(xb), snap(y1));
        line_vertex(snap(xb), snap(y1 + dy * (len / ady)));
    } else {
        line_vertex(snap(xb), snap(y1));
        line_vertex(snap(xb), snap(a.draw_y[j]));
        line_vertex(snap(xb), snap(a.draw_y[j]));
        line_vertex(snap(xb + dx * ((len - ady) / adx)), snap(a.draw_y[j]));
    }
    end_lines();
}

void draw_bracket_links(const TreeFrame& frame, const TreeAnimation& a) {
    for (int level = 0; level + 1 < bracket_levels; ++level) {
        const int r = bracket_level_size[level] / bracket_level_size[level + 1];
        for (int v = 0; v < bracket_level_size[level + 1]; ++v) {
            const int j = bracket_level_first[level + 1] + v;
            if (j >= frame.count || !(a.tree_age[j] > 0.0f)) continue;
            float kj = reach_value(a.tree_age[j]);
            if (!(kj > 0.0f)) continue;
            for (int w = 0; w < r; ++w) {
                const int b = bracket_level_first[level] + v * r + w;
                if (b >= frame.count) continue;
                draw_bracket_elbow(frame, a, j, b, kj);
            }
        }
    }
}

// A box outline of thickness 4 around a black interior, turned by tilt.
static void draw_tilted_box(float X, float Y, float w, float h, float tilt, float r, float g, float b) {
    double sd = 0.0, cd = 0.0;
    sincos((double)tilt, &sd, &cd);
    float sn = (float)sd;
    float cs = (float)cd;
    if (w - 8.0f > 0.0f && h - 8.0f > 0.0f) {
        set_colour(black_colour);
        rotated_rect(X, Y, w - 8.0f, h - 8.0f, tilt);
    }
    set_colour(Colour{r, g, b});
    float hh = h / 2.0f;
    float hw = w / 2.0f;
    rotated_rect(X - (2.0f - hh) * sn, Y + (2.0f - hh) * cs, w, 4.0f, tilt);
    rotated_rect(X - (hh - 2.0f) * sn, Y + (hh - 2.0f) * cs, w, 4.0f, tilt);
    rotated_rect(X + (2.0f - hw) * cs, Y + (2.0f - hw) * sn, 4.0f, h, tilt);
    rotated_rect(X + (hw - 2.0f) * cs, Y + (hw - 2.0f) * sn, 4.0f, h, tilt);
}

void draw_tree_boxes(const TreeFrame& frame, const TreeAnimation& a) {
    const TreeNode* nodes = frame.nodes;
    const float p = frame.growth_progress;
    const float q = 1.0f - p;
    for (int i = 0; i < frame.count; ++i) {
        if (!(a.tree_age[i] > 0.0f)) continue;
        float gv = growth_value(nodes[i], a.tree_age[i]);
        if (gv == 0.0f) continue;
        const float X = a.draw_x[i], Y = a.draw_y[i];
        if (frame.credit_mode && in_text_hole(X, Y)) continue;
        const float W = a.box_w[i], H = a.box_h[i];
        if (i < frame.collapse_count) {
            if (W >= 2.0f) opaque_hollow_rect(X, Y, W, 0.0f, 0.0f, 1.0f);
            continue;
        }
        if (nodes[i].size * gv < 2.0f) continue;
        float w = (W * gv) * q + W * p;
        if (w < 2.0f) continue;
        float h = (H * gv) * q + H * p;
        if (h < 2.0f) continue;
        draw_tilted_box(X, Y, w * 1.5f, h * 1.5f, a.tilt[i], a.node_r[i], a.node_g[i], a.node_b[i]);
    }
}
