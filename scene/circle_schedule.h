// The schedule of the tree scene from bar 96 and the per-frame parameters
// derived from song time and seed. No drawing here.
#pragma once

#include "scene/tree_layout.h"
#include "timeline/timeline.h"

#include <cstdint>

const double tree_block_seconds = 13.714285714285714;  // 8 bars
// Credit windows on absolute song time: bars 120-122 and 124-126.
const double first_credit_start = 205.7142857142857;
const double first_credit_end = 209.1428571428571;
const double second_credit_start = 212.57142857142856;
const double second_credit_end = 215.99999999999997;
// Local-time boundaries (l = t - start of bar 96). Those that are also
// boundaries of the song are taken from them (each difference is exact).
const double collapse_rows_start = first_credit_start - circle_phase_start;  // bar 120
const double second_row_start = 44.57142857142857;                           // bar 122
const double third_row_start = 48.0;                                         // bar 124
const double fourth_row_start = 51.42857142857143;                           // bar 126
const double ending_start = hud_end - circle_phase_start;                    // bar 128
const double ending_black = piece_end - circle_phase_start;                  // bar 135

// One row of the schedule.
struct CircleScheduleRow {
    bool ending;  // bar 128 on: only the ending is drawn
    LayoutKind kind;
    int cap;
    float progress;
    uint64_t block_seed_offset;
    bool all_collapsed;
    bool credit_slot;
};

// Everything the animation and the passes read for one frame.
struct TreeFrame {
    double t;  // song time
    double l;  // local time since bar 96
    uint64_t seed;
    LayoutKind kind;
    int cap;
    float growth_progress;
    float tree_clock;
    float tree_pulse;
    float wobble_amplitude;
    uint64_t block_seed_offset;
    uint64_t phase_hash;
    bool all_collapsed;
    bool credit_slot;
    int collapse_count;
    bool credit_mode;
    const TreeNode* nodes;  // the layout, count records
    int count;
};

CircleScheduleRow schedule_circle_phase(double l);

// Smoothstep pulse: 1 on each beat of t, falling to 0 just before the next.
float tree_pulse_at(double t);

// 0 outside the credits, 1 in the first window (bars 120-122), 2 in the
// second (bars 124-126).
int credit_window(double t);

// Fills frame for song time t (before bar 128) and the seed, including the
// cached layout. Returns false from bar 128 on, when only the ending is drawn.
bool prepare_tree_frame(double t, uint64_t seed, TreeFrame* frame);
