#include "scene/circle_schedule.h"

#include "scene/scene_hash.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cmath>

static const uint64_t closing_seed_offset = 0xdedc5689ull;
static const uint64_t block_seed_offsets[3] = {0x2c9277b5ull, 0x5924ef6aull, 0xb249ded4ull};
static const LayoutKind block_kinds[3] = {centre_tree_layout, corner_tree_layout, bracket_layout};

static CircleScheduleRow closing_row(int cap, float progress, bool credit_slot) {
    return CircleScheduleRow{false, centre_tree_layout, cap, progress, closing_seed_offset, true, credit_slot};
}

CircleScheduleRow schedule_circle_phase(double l) {
    if (l >= ending_start) return CircleScheduleRow{true, centre_tree_layout, 0, 0.0f, 0, false, false};
    if (l >= collapse_rows_start && l < second_row_start) return closing_row(120, 1.0f, true);
    if (l >= second_row_start && l < third_row_start) {
        float p = std::min(1.0f, (float)((l - collapse_rows_start) / tree_block_seconds));
        return closing_row(560, p, false);
    }
    if (l >= third_row_start && l < fourth_row_start) return closing_row(120, 1.0f, true);
    if (l >= fourth_row_start) return closing_row(560, 1.0f, false);
    int k = (int)(l / tree_block_seconds);
    // Just below bar 120 the quotient can round up to 3; that is still block 2.
    k = std::max(0, std::min(2, k));
    float p = std::min(1.0f, (float)((l - (double)k * tree_block_seconds) / tree_block_seconds));
    int cap = block_kinds[k] == bracket_layout ? bracket_node_count : 560;
    return CircleScheduleRow{false, block_kinds[k], cap, p, block_seed_offsets[k], false, false};
}

float tree_pulse_at(double t) {
    double ph = std::fmod(t, beat_seconds);
    float x = 1.0f - (float)(ph / beat_seconds);
    if (x < 0.0f) return 0.0f;
    x = std::min(1.0f, x);
    return ((3.0f - 2.0f * x) * x) * x;
}

int credit_window(double t) {
    if (t >= first_credit_start && t < first_credit_end) return 1;
    if (t >= second_credit_start && t < second_credit_end) return 2;
    return 0;
}

bool prepare_tree_frame(double t, uint64_t seed, TreeFrame* frame) {
    const double l = t - circle_phase_start;
    const CircleScheduleRow row = schedule_circle_phase(l);
    if (row.ending) return false;
    TreeFrame& f = *frame;
    f.t = t;
    f.l = l;
    f.seed = seed;
    f.kind = row.kind;
    f.cap = row.cap;
    f.all_collapsed = row.all_collapsed;
    f.credit_slot = row.credit_slot;
    f.block_seed_offset = row.block_seed_offset;

    float p = row.progress;
    f.tree_pulse = tree_pulse_at(t);
    f.phase_hash = mix_hash(seed + row.block_seed_offset);
    f.wobble_amplitude = (0.18f + 0.82f * (1.0f - 0.82f * p * p * p)) * f.tree_pulse;
    f.tree_clock = p * 64.0f;

    f.nodes = cached_tree_layout(row.kind, f.phase_hash, row.cap, &f.count);

    float maxb = 0.0f;
    for (int i = 0; i < f.count; ++i) maxb = std::max(maxb, f.nodes[i].birth);
    float r = (f.tree_clock - maxb) - 2.0f;
    f.collapse_count = r > 0.0f ? (int)(r * 12.0f) : 0;
    if (row.all_collapsed) f.collapse_count = f.count + 90;
    if (row.credit_slot) f.tree_clock = maxb + 1.0f;

    f.credit_mode = credit_window(t) != 0;
    if (f.credit_mode) {
        f.wobble_amplitude = 0.0f;
        f.tree_pulse = 0.0f;
        p = 1.0f;
    }
    f.growth_progress = p;
    return true;
}
