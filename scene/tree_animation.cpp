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

namespace {

// Where the node sits before the wave: its own place, or its parent's drawn
// place plus its offset from the parent, kept on screen.
void place_by_parent(const TreeAnimation& a, const TreeNode& n, float* X, float* Y) {
    if (n.parent < 0) {
        *X = n.x;
        *Y = n.y;
        return;
    }
    *X = clamp_layout_x(a.draw_x[n.parent] + (n.x - n.parent_x), n.size);
    *Y = clamp_layout_y(a.draw_y[n.parent] + (n.y - n.parent_y), n.size);
}

// The beat wave that ripples across the screen cells, scaled by Wb.
void add_beat_wave(const BeatWobble& wave, uint64_t h, float Wb, float* X, float* Y) {
    int xi = (int)(*X / 40.0f);
    int yi = (int)(*Y / 41.6f);
    float s1 = (float)std::sin((double)wave.kx * (double)wave.phi - (double)xi * (double)wave.fx -
                               (double)yi * (double)wave.fy);
    float s2 = (float)std::sin(((double)wave.ky * (double)wave.phi + (double)xi * (double)wave.fy * 0.73) -
                               (double)yi * (double)wave.fx * 1.31);
    *X += (unit_value(h, 9) * 1.25f + 0.75f) * (s1 * Wb);
    *Y += (unit_value(h, 13) * 1.25f + 0.75f) * (s2 * Wb);
}

// A collapsing node d frames into its collapse eases to a 9 x 9 square;
// after 90 frames it drifts (not during the credits). Collapsed nodes are
// drawn in a fixed blue, so their colour is left as it was.
void collapse_node(TreeAnimation& a, int i, float d, uint64_t h, bool credit, float* X, float* Y) {
    float k = ease_anticipate_elastic_unit(d / 90.0f);
    a.tilt[i] = 0.0f;
    a.box_h[i] = (9.0f - a.box_h[i]) * k + a.box_h[i];
    a.box_w[i] = (9.0f - a.box_w[i]) * k + a.box_w[i];
    if (d - 90.0f > 0.0f && !credit) {
        double late = (double)(d - 90.0f);
        *X += (unit_value(h, 12) * 13.0f + 7.0f) * (float)std::sin((double)(h & 0xff) + late * 0.0048);
        *Y += (unit_value(h, 19) * 13.0f + 7.0f) * (float)std::cos((double)((h >> 8) & 0xff) + late * 0.0038);
    }
}

// Lock the child to its parent on the axis it grew along, so connectors
// stay straight.
void lock_to_parent(const TreeAnimation& a, const TreeNode& n, float* X, float* Y) {
    if (n.dir == 0 || n.dir == 2) *Y = a.draw_y[n.parent] + (n.y - n.parent_y);
    else *X = a.draw_x[n.parent] + (n.x - n.parent_x);
    *X = clamp_layout_x(*X, n.size);
    *Y = clamp_layout_y(*Y, n.size);
}

}  // namespace

void animate_tree(const TreeFrame& frame, TreeAnimation* anim) {
    TreeAnimation& a = *anim;
    const float p = frame.growth_progress;
    const float q = 1.0f - p;
    const float Wb = frame.wobble_amplitude;
    const int cc = frame.collapse_count;
    const bool credit = frame.credit_mode;
    const BeatWobble wave = compute_beat_wobble(frame.l, frame.seed, frame.block_seed_offset);
    const float lit_g = (0.88f * frame.tree_pulse) * 0.18f + 0.12f;
    const float unlit_r = (0.82f * frame.tree_pulse) * 0.18f + 0.18f;

    for (int i = 0; i < frame.count; ++i) {
        const TreeNode& n = frame.nodes[i];
        const uint64_t h = n.hash;
        const float s = n.size;
        a.tree_age[i] = frame.tree_clock - n.birth;

        float X, Y;
        place_by_parent(a, n, &X, &Y);
        float w0 = ((unit_value(h, 21) * 0.2f + 0.16f) * Wb + 1.0f) * s;
        float h0 = ((unit_value(h, 17) * 0.14f + 0.12f) * Wb + 1.0f) * s;
        if (!credit) add_beat_wave(wave, h, Wb, &X, &Y);
        float z = credit ? 5.5f * p : (17.0f * q + 9.0f) * p;
        a.box_w[i] = w0 * q + z;
        a.box_h[i] = h0 * q + z;
        a.tilt[i] = (((unit_value(h, 5) - 0.5f) * Wb) * 0.11f) * q;

        if (i < cc) {
            collapse_node(a, i, (float)(cc - i), h, credit, &X, &Y);
        } else if (node_is_lit(frame.kind, X, Y, h)) {
            a.node_r[i] = 1.0f;
            a.node_g[i] = lit_g;
            a.node_b[i] = 0.0f;
        } else {
            a.node_r[i] = unlit_r;
            a.node_g[i] = 1.0f;
            a.node_b[i] = 0.0f;
        }

        if (n.parent >= 0) lock_to_parent(a, n, &X, &Y);
        a.draw_x[i] = X;
        a.draw_y[i] = Y;
    }
}
