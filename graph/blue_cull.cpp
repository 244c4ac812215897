#include "graph/blue_cull.h"

#include "capture/capture_timing.h"
#include "graph/graph_state.h"
#include "timeline/timeline.h"

#include <cmath>

namespace {

int choose_survivor(int n) {
    if (n <= 0) return -1;
    for (int i = 0; i < n; ++i) {
        if (node_alive[i]) return i;
    }
    // Nobody is left: node 0 comes back, without its ghost.
    node_alive[0] = 1;
    ghost_remaining[0] = 0.0f;
    return 0;
}

int count_live_nodes(int n) {
    int count = 0;
    for (int i = 0; i < n; ++i) count += node_alive[i] ? 1 : 0;
    return count;
}

void kill_highest_live_node(int n) {
    for (int i = n - 1; i >= 0; --i) {
        if (i == blue_survivor || !node_alive[i]) continue;
        node_alive[i] = 0;
        ghost_remaining[i] = 1.0f;
        ghost_size[i] = controls[control_sq].value;
        return;
    }
}

float manhattan_distance(int a, int b) {
    return std::fabs(nodes[a].x - nodes[b].x) + std::fabs(nodes[a].y - nodes[b].y);
}

}  // namespace

void bake_blue_transition(double t) {
    if (blue_transition_baked) return;
    int n = active_node_count();
    for (int i = 0; i < n; ++i) {
        if (capture_start_time(i) > t) {
            node_alive[i] = 0;
            ghost_remaining[i] = 0.0f;
            continue;
        }
        // The node keeps the place its sway had at the end of bar 32.
        float x = 0.0f;
        float y = 0.0f;
        floating_position(i, blue_phase_start, &x, &y);
        nodes[i].x = x;
        nodes[i].y = y;
    }
    blue_transition_baked = 1;
}

void update_blue_cull(float dt, double t) {
    int n = active_node_count();
    if (blue_survivor < 0 || blue_survivor >= n || !node_alive[blue_survivor]) {
        blue_survivor = choose_survivor(n);
    }
    int count = count_live_nodes(n);
    blue_cull_accumulator += dt;
    while (count > 1 && blue_cull_accumulator >= blue_cull_kill_cost) {
        blue_cull_accumulator -= blue_cull_kill_cost;
        kill_highest_live_node(n);
        count -= 1;
    }
    if (count == 1 && survivor_alone_since < 0.0) survivor_alone_since = t;
}

double revival_start_time() {
    if (!(survivor_dance_omega > 0.0f)) return circle_phase_start;
    float period = survivor_dance_period();
    float slowdown_and_swing = 2.15f * period;
    return survivor_alone_since + survivor_solitude_seconds + (double)slowdown_and_swing + survivor_solitude_seconds;
}

int list_revival_nodes(int* dead) {
    int n = active_node_count();
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (i == blue_survivor || node_alive[i]) continue;
        dead[count++] = i;
    }
    return count;
}

int revival_parent(const int* dead, int k) {
    return k < revival_branch_count ? blue_survivor : dead[k - revival_branch_count];
}

double revival_elapsed(double t, double r0, int k) {
    return (t - r0) - revival_stagger * k;
}

bool revival_all_blue(double t) {
    if (!survivor_dance_initialized || blue_survivor < 0) return false;
    double r0 = revival_start_time();
    // Before R0 every front is negative, so no node can be reached.
    if (t < r0) return false;
    static int dead[node_capacity];
    int dead_count = list_revival_nodes(dead);
    for (int k = 0; k < dead_count; ++k) {
        double front = revival_elapsed(t, r0, k) * revival_speed;
        if ((double)manhattan_distance(revival_parent(dead, k), dead[k]) > front) return false;
    }
    return dead_count > 0;
}
