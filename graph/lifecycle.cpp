#include "graph/lifecycle.h"

#include "capture/capture_timing.h"
#include "graph/graph_state.h"
#include "timeline/timeline.h"

#include <cmath>

namespace {

// A node must have been in play this many beats before it may die.
const int64_t minimum_age_beats = 24;

// Everything a death attempt asks about the nodes, gathered once per call:
// capture times only depend on rest positions and connections, which no
// lifecycle step changes.
struct DeathCandidates {
    CaptureTimes times;
    bool child_in_capture[node_capacity];
};

DeathCandidates candidates;

bool is_in_capture(const CaptureTimes& times, int i, double t) {
    return times.start[i] <= t && t < times.finish[i];
}

void gather_death_candidates(int n, double t) {
    compute_capture_times(candidates.times, n);
    for (int i = 0; i < n; ++i) candidates.child_in_capture[i] = false;
    for (int j = 1; j < n; ++j) {
        if (is_in_capture(candidates.times, j, t)) candidates.child_in_capture[parent_of(j)] = true;
    }
}

bool may_die(int i, double t, int64_t beat) {
    if (!node_alive[i]) return false;
    if (is_in_capture(candidates.times, i, t)) return false;
    if (candidates.child_in_capture[i]) return false;
    return beat - square_birth_beat(i) >= minimum_age_beats;
}

// One draw picks where the cyclic walk over the active nodes starts; the
// first node allowed to die does. Returns 0 when nobody qualified.
int attempt_death(int n, double t, int64_t beat) {
    float draw = rng_unit();
    int start = (int)(draw * (float)n);
    if (start > n - 1) start = n - 1;
    for (int k = start; k < start + n; ++k) {
        int i = k % n;
        if (!may_die(i, t, beat)) continue;
        births_since_death = 0;
        node_alive[i] = 0;
        ghost_remaining[i] = 1.0f;
        ghost_size[i] = controls[control_sq].value;
        node_death_time[i] = t;
        return 1;
    }
    return 0;
}

}  // namespace

void update_lifecycle(double t) {
    if (t >= blue_phase_start) return;
    int64_t beat = (int64_t)(t / beat_seconds);
    int n = active_node_count();
    bool gathered = false;
    while (last_lifecycle_count < n) {
        last_lifecycle_count += 1;
        births_since_death += 1;
        if (births_since_death < 2) continue;
        if (!gathered) {
            gather_death_candidates(n, t);
            gathered = true;
        }
        // With nobody to kill, the remaining births wait for the next call.
        if (!attempt_death(n, t, beat)) return;
    }
}

namespace {

// Pairs grown far enough to wear ghosts, in row order, gathered once per
// step rather than once per ghost, each as the two legs of its elbow: the
// horizontal leg at height leg_y over [x_lo, x_hi], the vertical one at
// leg_x over [y_lo, y_hi].
struct GrownPairs {
    float leg_y[node_capacity * node_capacity / 2];
    float x_lo[node_capacity * node_capacity / 2];
    float x_hi[node_capacity * node_capacity / 2];
    float leg_x[node_capacity * node_capacity / 2];
    float y_lo[node_capacity * node_capacity / 2];
    float y_hi[node_capacity * node_capacity / 2];
    int count;
};

GrownPairs grown;

const float grown_threshold = 0.72f;

void gather_grown_pairs(int n) {
    grown.count = 0;
    for (int a = 0; a < n - 1; ++a) {
        const float* row = &connection_progress[pair_index(a, 0)];
        for (int b = a + 1; b < n; ++b) {
            if (!(row[b] >= grown_threshold)) continue;
            const Node& na = nodes[a];
            const Node& nb = nodes[b];
            const bool horizontal_first = elbow_leaves_horizontally(a, b);
            const int k = grown.count++;
            grown.leg_y[k] = horizontal_first ? na.y : nb.y;
            grown.leg_x[k] = horizontal_first ? nb.x : na.x;
            grown.x_lo[k] = na.x < nb.x ? na.x : nb.x;
            grown.x_hi[k] = na.x < nb.x ? nb.x : na.x;
            grown.y_lo[k] = na.y < nb.y ? na.y : nb.y;
            grown.y_hi[k] = na.y < nb.y ? nb.y : na.y;
        }
    }
}

// Grown pairs whose elbow runs through the box of half-size h around
// (gx, gy): along the box's height or width, overlapping it.
int count_crossing_pairs(float gx, float gy, float h) {
    const float left = gx - h, right = gx + h, top = gy - h, bottom = gy + h;
    int crossings = 0;
    for (int k = 0; k < grown.count; ++k) {
        const bool across = std::fabs(grown.leg_y[k] - gy) <= h && grown.x_hi[k] >= left && grown.x_lo[k] <= right;
        const bool down = std::fabs(grown.leg_x[k] - gx) <= h && grown.y_hi[k] >= top && grown.y_lo[k] <= bottom;
        crossings += across || down ? 1 : 0;
    }
    return crossings;
}

bool has_ghost(int n) {
    for (int g = 0; g < n; ++g) {
        if (ghost_remaining[g] > 0.0f) return true;
    }
    return false;
}

}  // namespace

void update_ghosts(float dt) {
    int n = active_node_count();
    if (n <= 0 || !has_ghost(n)) return;
    gather_grown_pairs(n);
    const float wear = dt * 0.2f;
    for (int g = 0; g < n; ++g) {
        if (!(ghost_remaining[g] > 0.0f)) continue;
        const float h = ghost_remaining[g] * ghost_size[g] * 0.5f;
        const float gx = nodes[g].x;
        const float gy = nodes[g].y;
        // Each crossing wears the ghost by the same amount, one after another.
        float remaining = ghost_remaining[g];
        for (int c = count_crossing_pairs(gx, gy, h); c > 0; --c) remaining -= wear;
        ghost_remaining[g] = remaining < 0.0f ? 0.0f : remaining;
    }
}
