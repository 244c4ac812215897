// Turns the layout into this frame's animated boxes: beat wobble, the
// shrinking towards the end of a block, the collapse into small squares and
// the colours. Pure arithmetic, no drawing.
#pragma once

#include "scene/circle_schedule.h"
#include "scene/tree_layout.h"

#include <cstdint>

// Per-node animated state, indexed like the layout; valid for one frame.
struct TreeAnimation {
    float tree_age[tree_capacity];
    float draw_x[tree_capacity];
    float draw_y[tree_capacity];
    float box_w[tree_capacity];  // before the 1.5 drawing scale
    float box_h[tree_capacity];
    float tilt[tree_capacity];   // radians
    float node_r[tree_capacity];
    float node_g[tree_capacity];
    float node_b[tree_capacity];
};

// The wobble's frame-wide wave: phase within the beat, spatial frequencies
// that change every beat, and the beat's integer multipliers.
struct BeatWobble {
    float phi;
    float fx, fy;
    int kx, ky;
};

BeatWobble compute_beat_wobble(double l, uint64_t seed, uint64_t block_seed_offset);

// Animates every node of frame's layout into anim, parents before children.
void animate_tree(const TreeFrame& frame, TreeAnimation* anim);
