#include "graph/graph_state.h"

#include <cmath>
#include <cstring>

GraphState graph;

// Members in order; their sizes add up to the record's, so no padding
// bytes take part in a comparison.
static_assert(sizeof(GraphState) ==
                  sizeof(double) * (node_capacity + 1) + sizeof(int64_t) * 2 + sizeof(uint64_t) * 2 +
                      sizeof(Node) * node_capacity + sizeof(float) * (node_capacity * node_capacity + 2 * node_capacity) +
                      sizeof(RedParticle) * red_particle_capacity + sizeof(Control) * control_count +
                      sizeof(int32_t) * 12 + 2 * (node_capacity * node_capacity + node_capacity),
              "GraphState has padding");
static_assert(sizeof(RedParticle) == 7 * 4 && sizeof(Node) == 5 * 4, "padding in a graph record");

// The node count is clamped to the capacity so a stray AM value can never
// index past the arrays.
int active_node_count() {
    int n = (int)controls[control_am].value;
    return n > node_capacity ? node_capacity : n;
}

float rng_unit() {
    rng_state = rng_state * 1103515245u + 12345u;
    return (float)((rng_state >> 8) & 0xFFFFu) / 65535.0f;
}

namespace {

// Column and row bases of the banded regions, each product in single
// precision.
float column_base(float r) {
    if (r < 0.2f) return 0.12f * screen_width_f;
    if (r < 0.47f) return 0.31f * screen_width_f;
    if (r < 0.73f) return 0.64f * screen_width_f;
    return 0.86f * screen_width_f;
}

float row_base(float r) {
    if (r < 0.33f) return 0.18f * screen_height_f;
    if (r < 0.67f) return 0.52f * screen_height_f;
    return 0.81f * screen_height_f;
}

// Parent of every node, rebuilt whenever the connections are rebuilt.
int16_t parent_cache[node_capacity];
bool parent_cache_ready = false;

}  // namespace

void respawn_node(Node& node) {
    float region = rng_unit();
    float band = rng_unit();
    float across = rng_unit();
    float along = rng_unit();
    float heading = rng_unit();
    float speed = rng_unit();
    float phase = rng_unit();

    float a = heading * two_pi_f;
    float s = speed * 22.0f + 8.0f;
    node.vx = (float)std::cos((double)a) * s;
    node.vy = (float)std::sin((double)a) * s;
    if (region < 0.42f) {
        // Column band: mostly vertical drift.
        node.x = (across - 0.5f) * 90.0f + column_base(band);
        node.y = along * screen_height_f;
        node.vx = node.vx * 0.18f;
    } else if (region < 0.72f) {
        // Row band: mostly horizontal drift.
        node.x = across * screen_width_f;
        node.y = (along - 0.5f) * 64.0f + row_base(band);
        node.vy = node.vy * 0.18f;
    } else {
        node.x = ((across - 0.5f) * 0.22f + 0.56f) * screen_width_f;
        node.y = ((along - 0.5f) * 0.28f + 0.38f) * screen_height_f;
    }
    node.phase = phase * two_pi_f;
}

void floating_position(int i, double t, float* x, float* y) {
    const Node& node = nodes[i];
    double p = (double)node.phase;
    *x = node.x + 30.0f * (float)std::sin(p + 0.42 * t);
    *y = node.y + 22.0f * (float)std::cos(0.42 * 0.73 * t + 1.31 * p);
}

int select_connection_target(int i, int k) {
    const float xi = nodes[i].x;
    const float yi = nodes[i].y;
    float dmin = 3000.0f;
    float dmax = 0.0f;
    for (int j = 0; j < i; ++j) {
        float d = std::fabs(xi - nodes[j].x) + std::fabs(yi - nodes[j].y);
        if (d < dmin) dmin = d;
        if (d > dmax) dmax = d;
    }
    float f = 0.0f;
    if (k > 3) {
        f = (float)(k - 3) * 0.015625f;
        if (f > 1.0f) f = 1.0f;
    }
    float target = (dmax - dmin) * f + dmin;
    int best = 0;
    float best_error = 3000.0f;
    for (int j = 0; j < i; ++j) {
        float d = std::fabs(xi - nodes[j].x) + std::fabs(yi - nodes[j].y);
        float error = std::fabs(d - target);
        if (error < best_error) {
            best_error = error;
            best = j;
        }
    }
    return best;
}

namespace {

int scan_parent(int b) {
    for (int a = 0; a < b; ++a) {
        if (connection_enabled[pair_index(a, b)]) return a;
    }
    // Without any connection the node hangs off its predecessor.
    return b - 1;
}

}  // namespace

void rebuild_parent_cache() {
    parent_cache[0] = -1;
    for (int b = 1; b < node_capacity; ++b) parent_cache[b] = (int16_t)scan_parent(b);
    parent_cache_ready = true;
}

int parent_of(int b) {
    if (b <= 0 || b >= node_capacity) return -1;
    if (!parent_cache_ready) rebuild_parent_cache();
    int parent = parent_cache[b];
    // A column edited by hand since the last rebuild usually no longer
    // holds the cached connection; look again rather than answer stale.
    if (!connection_enabled[pair_index(parent, b)]) {
        parent = scan_parent(b);
        parent_cache[b] = (int16_t)parent;
    }
    return parent;
}

namespace {

void reset_simulation_state() {
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    std::memset(connection_highlight, 0, sizeof connection_highlight);
    std::memset(node_highlight, 0, sizeof node_highlight);
    std::memset(ghost_remaining, 0, sizeof ghost_remaining);
    std::memset(ghost_size, 0, sizeof ghost_size);
    for (int i = 0; i < node_capacity; ++i) {
        node_alive[i] = 1;
        node_death_time[i] = -1.0;
    }
    last_lifecycle_count = 0;
    births_since_death = 0;
    blue_cull_accumulator = 0.0f;
    survivor_dance_initialized = 0;
    blue_transition_baked = 0;
    next_group_bleeder = 0;
    next_red_particle = 0;
    blue_survivor = -1;
    last_bleed_beat = -1;
    last_group_bleed_beat = -1;
    survivor_alone_since = -1.0;
    for (int i = 0; i < red_particle_capacity; ++i) red_particles[i].active = 0;
}

}  // namespace

void randomize_connections() {
    reset_simulation_state();
    int k = 0;
    for (int i = 1; i < node_capacity; ++i) {
        int target = select_connection_target(i, k);
        connection_enabled[pair_index(target, i)] = 1;
        k += 1;
        if (k > 3 && i > 3) {
            // The draw is made for every node from 4 on, used or not.
            if (rng_unit() < 0.24f) {
                int second = select_connection_target(i, k);
                while (connection_enabled[pair_index(second, i)]) second = (second + 1) % i;
                connection_enabled[pair_index(second, i)] = 1;
                k += 1;
            }
        }
    }
    rebuild_parent_cache();
}

namespace {

void respawn_all_nodes() {
    for (int i = 0; i < node_capacity; ++i) respawn_node(nodes[i]);
}

// Squared distances below 120 px are too close; exactly 120 px is fine.
bool is_crowded(int i) {
    for (int j = 0; j < i; ++j) {
        float dx = nodes[i].x - nodes[j].x;
        float dy = nodes[i].y - nodes[j].y;
        if (dx * dx + dy * dy < 14400.0f) return true;
    }
    return false;
}

const int spacing_attempts = 80;

void space_out_nodes() {
    for (int i = 4; i < node_capacity; ++i) {
        // After the last respawn the node keeps its place unchecked.
        for (int attempt = 0; attempt < spacing_attempts; ++attempt) {
            if (!is_crowded(i)) break;
            respawn_node(nodes[i]);
        }
    }
}

}  // namespace

void build_startup_layout() {
    rng_state = layout_seed;
    respawn_all_nodes();
    nodes[0].x = 1110.0f;
    nodes[0].y = 470.0f;
    nodes[1].x = 825.0f;
    nodes[1].y = 645.0f;
    nodes[2].x = 1175.0f;
    nodes[2].y = 665.0f;
    nodes[3].x = 735.0f;
    nodes[3].y = 405.0f;
    space_out_nodes();
    randomize_connections();
}

void reseed_layout(uint64_t seed) {
    layout_seed = wrap_seed(seed);
    rng_state = layout_seed;
    respawn_all_nodes();
    randomize_connections();
}
