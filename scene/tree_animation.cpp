#include "scene/tree_animation.h"

#include "scene/easing.h"
#include "scene/scene_hash.h"
#include "timeline/timeline.h"

#include <cmath>

BeatWobble compute_beat_wobble(double l, uint64_t seed, uint64_t block_seed_offset) {
    BeatWobble w;
    double tau = (double)(float)l;
    double beats = tau / beat_seconds;
    int64_t ib = (int64_t)beats;
    double frac = std::fmod(beats, 1.0);
    w.phi = (float)(frac * 3.141592653589793);
    uint64_t hb = mix_hash(((uint64_t)(ib + 1) * 0x9e3779b1ull) ^ seed ^ block_seed_offset);
    w.fx = (float)(((hb >> 21) % 101) * ((hb >> 7) % 101)) / 30000.0f + 0.008f;
    w.fy = (float)(((hb >> 12) % 101) * ((hb >> 3) % 101)) / 30000.0f + 0.008f;
    if ((hb & 0x70000000ull) == 0) w.fx += 0.55f;
    if ((hb & 0x07000000ull) == 0) w.fy += 0.55f;
    w.kx = (int)(ib % 3) + 1;
    w.ky = (int)(ib % 4) + 2;
    return w;
}

// Whether an uncollapsed node at (X, Y) takes the lit (red-orange) colour.
static bool node_is_lit(LayoutKind kind, float X, float Y, uint64_t hash) {
    int xi = (int)(X / 40.0f);
    int yi = (int)(Y / 41.6f);
    switch (kind) {
        case centre_tree_layout: return ((xi >> 1) & 1) == 0;
        case corner_tree_layout: return ((yi >> 1) & 1) == 1;
        case bracket_layout:
        default: return ((int)(hash & 3) + yi) % 5 <= 2;
    }
}

void animate_tree(const TreeFrame& frame, TreeAnimation* anim) {
    TreeAnimation& a = *anim;
    const TreeNode* nodes = frame.nodes;
    const float p = frame.growth_progress;
    const float q = 1.0f - p;
    const float T = frame.tree_clock;
    const float Wb = frame.wobble_amplitude;
    const float pulse = frame.tree_pulse;
    const int cc = frame.collapse_count;
    const bool credit = frame.credit_mode;
    const BeatWobble wave = compute_beat_wobble(frame.l, frame.seed, frame.block_seed_offset);
    const float lit_g = (0.88f * pulse) * 0.18f + 0.12f;
    const float unlit_r = (0.82f * pulse) * 0.18f + 0.18f;

    for (int i = 0; i < frame.count; ++i) {
        const TreeNode& n = nodes[i];
        const uint64_t h = n.hash;
        const float s = n.size;
        a.tree_age[i] = T - n.birth;

        float X, Y;
        if (n.parent < 0) {
            X = n.x;
            Y = n.y;
        } else {
            X = clamp_layout_x(a.draw_x[n.parent] + (n.x - n.parent_x), s);
            Y = clamp_layout_y(a.draw_y[n.parent] + (n.y - n.parent_y), s);
        }

        float w0 = ((unit_value(h, 21) * 0.2f + 0.16f) * Wb + 1.0f) * s;
        float h0 = ((unit_value(h, 17) * 0.14f + 0.12f) * Wb + 1.0f) * s;
        float z;
        if (!credit) {
            int xi = (int)(X / 40.0f);
            int yi = (int)(Y / 41.6f);
            float s1 = (float)std::sin((double)wave.kx * (double)wave.phi - (double)xi * (double)wave.fx -
                                       (double)yi * (double)wave.fy);
            float s2 = (float)std::sin(((double)wave.ky * (double)wave.phi + (double)xi * (double)wave.fy * 0.73) -
                                       (double)yi * (double)wave.fx * 1.31);
            X += (unit_value(h, 9) * 1.25f + 0.75f) * (s1 * Wb);
            Y += (unit_value(h, 13) * 1.25f + 0.75f) * (s2 * Wb);
            z = (17.0f * q + 9.0f) * p;
        } else {
            z = 5.5f * p;
        }
        a.box_w[i] = w0 * q + z;
        a.box_h[i] = h0 * q + z;
        a.tilt[i] = (((unit_value(h, 5) - 0.5f) * Wb) * 0.11f) * q;

        if (i < cc) {
            float d = (float)(cc - i);
            float k = ease_anticipate_elastic_unit(d / 90.0f);
            a.tilt[i] = 0.0f;
            a.box_h[i] = (9.0f - a.box_h[i]) * k + a.box_h[i];
            a.box_w[i] = (9.0f - a.box_w[i]) * k + a.box_w[i];
            if (d - 90.0f > 0.0f && !credit) {
                double late = (double)(d - 90.0f);
                X += (unit_value(h, 12) * 13.0f + 7.0f) * (float)std::sin((double)(h & 0xff) + late * 0.0048);
                Y += (unit_value(h, 19) * 13.0f + 7.0f) * (float)std::cos((double)((h >> 8) & 0xff) + late * 0.0038);
            }
            // Collapsed nodes are drawn in a fixed blue; their colour is left as it was.
        } else if (node_is_lit(frame.kind, X, Y, h)) {
            a.node_r[i] = 1.0f;
            a.node_g[i] = lit_g;
            a.node_b[i] = 0.0f;
        } else {
            a.node_r[i] = unlit_r;
            a.node_g[i] = 1.0f;
            a.node_b[i] = 0.0f;
        }

        if (n.parent >= 0) {
            // Lock the child to its parent on the axis it grew along, so
            // connectors stay straight.
            if (n.dir == 0 || n.dir == 2) Y = a.draw_y[n.parent] + (n.y - n.parent_y);
            else X = a.draw_x[n.parent] + (n.x - n.parent_x);
            X = clamp_layout_x(X, s);
            Y = clamp_layout_y(Y, s);
        }
        a.draw_x[i] = X;
        a.draw_y[i] = Y;
    }
}
