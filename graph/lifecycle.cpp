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
// step rather than once per ghost.
struct GrownPairs {
    int16_t a[node_capacity * node_capacity / 2];
    int16_t b[node_capacity * node_capacity / 2];
    int count;
};

GrownPairs grown;

const float grown_threshold = 0.72f;

void gather_grown_pairs(int n) {
    grown.count = 0;
    for (int a = 0; a < n - 1; ++a) {
        const float* row = &connection_progress[pair_index(a, 0)];
        for (int b = a + 1; b < n; ++b) {
            if (row[b] >= grown_threshold) {
                grown.a[grown.count] = (int16_t)a;
                grown.b[grown.count] = (int16_t)b;
                grown.count += 1;
            }
        }
    }
}

bool has_ghost(int n) {
    for (int g = 0; g < n; ++g) {
        if (ghost_remaining[g] > 0.0f) return true;
    }
    return false;
}

bool spans_overlap(float p, float q, float low, float high) {
    float lo = p < q ? p : q;
    float hi = p < q ? q : p;
    return hi >= low && lo <= high;
}

}  // namespace

bool elbow_crosses_box(int a, int b, float gx, float gy, float h) {
    const Node& na = nodes[a];
    const Node& nb = nodes[b];
    bool even = (a + b) % 2 == 0;
    // Even pairs turn at (x_b, y_a), odd ones at (x_a, y_b).
    float leg_y = even ? na.y : nb.y;
    float leg_x = even ? nb.x : na.x;
    if (std::fabs(leg_y - gy) <= h && spans_overlap(na.x, nb.x, gx - h, gx + h)) return true;
    return std::fabs(leg_x - gx) <= h && spans_overlap(na.y, nb.y, gy - h, gy + h);
}

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
        float remaining = ghost_remaining[g];
        for (int k = 0; k < grown.count; ++k) {
            if (elbow_crosses_box(grown.a[k], grown.b[k], gx, gy, h)) remaining -= wear;
        }
        ghost_remaining[g] = remaining < 0.0f ? 0.0f : remaining;
    }
}
