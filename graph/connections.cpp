#include "render/screen.h"
#include "graph/connections.h"

#include "graph/graph_state.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cstring>

int rebuild_node_highlights(int n) {
    if (n < 1) return 0;
    std::memset(node_highlight, 0, (size_t)n);
    for (int a = 0; a < n - 1; ++a) {
        const uint8_t* row = &connection_highlight[pair_index(a, 0)];
        for (int b = a + 1; b < n; ++b) {
            // Highlights are rare: skip eight empty entries at a time.
            if (b + 8 <= n) {
                uint64_t eight;
                std::memcpy(&eight, row + b, sizeof eight);
                if (!eight) {
                    b += 7;
                    continue;
                }
            }
            uint8_t v = row[b];
            if (!v) continue;
            // Colour 2 wins over colour 1 on a node.
            if (node_highlight[a] != 2) node_highlight[a] = v;
            if (node_highlight[b] != 2) node_highlight[b] = v;
        }
    }
    int count = 0;
    for (int i = 0; i < n; ++i) count += node_highlight[i] != 0;
    return count;
}

namespace {

int scheduled_target_count(double graph_time) {
    if (graph_time < 10.0) return 0;
    if (graph_time < 16.0) return 1;
    if (graph_time < 20.0) return 2;
    return 3;
}

// Ceiling on highlighted nodes: 5 % of n, 50 % at graph time 10 falling
// linearly back to 5 % at 100.
int max_highlighted_nodes(double graph_time, int n) {
    if (graph_time < 10.0 || graph_time >= 100.0) return (int)(n * 0.05);
    float fall = (float)((graph_time - 10.0) / 90.0);
    return (int)((0.5f - fall * 0.45f) * (float)n);
}

float spawn_rate_at(double graph_time) {
    if (graph_time < 20.0) return 0.0f;
    return std::min((float)(graph_time - 20.0) * 0.0008f + 0.006f, 0.08f);
}

float growth_scale_at(double graph_time) {
    float g = (float)(graph_time / 25.0);
    g = std::max(0.0f, std::min(g, 1.0f));
    return g * g * 1.55f + 0.65f;
}

uint8_t random_colour() {
    return rng_unit() >= 0.5f ? 2 : 1;
}

// First enabled, unhighlighted pair in row order; when touching is set it
// must also touch a highlighted node. Returns 0 when there is none.
int find_scheduled_pair(int n, bool touching, int* pa, int* pb) {
    for (int a = 0; a < n - 1; ++a) {
        for (int b = a + 1; b < n; ++b) {
            int idx = pair_index(a, b);
            if (!connection_enabled[idx] || connection_highlight[idx]) continue;
            if (touching && !node_highlight[a] && !node_highlight[b]) continue;
            *pa = a;
            *pb = b;
            return 1;
        }
    }
    return 0;
}

// The three early highlights: the first on the first enabled pair, the next
// ones along connections touching it.
void place_scheduled_highlights(int n, double graph_time) {
    int target_count = scheduled_target_count(graph_time);
    while (scheduled_colors_created < target_count && n > 0) {
        int a = 0;
        int b = 0;
        if (!find_scheduled_pair(n, scheduled_colors_created >= 1, &a, &b) &&
            !find_scheduled_pair(n, false, &a, &b)) {
            break;
        }
        uint8_t colour = node_highlight[a] ? node_highlight[a]
                         : node_highlight[b] ? node_highlight[b]
                                             : random_colour();
        scheduled_colors_created += 1;
        int idx = pair_index(a, b);
        connection_highlight[idx] = colour;
        connection_progress[idx] = 1.0f;
        rebuild_node_highlights(n);
    }
}

struct StepRates {
    int n;
    int max_highlighted;
    float spawn_rate;
    float growth_scale;
    float dt;
};

void attempt_spawn(const StepRates& rates, int a, int b, int* count) {
    int idx = pair_index(a, b);
    if (connection_highlight[idx] || node_highlight[a] || node_highlight[b]) return;
    if (*count + 1 >= rates.max_highlighted) return;
    uint8_t colour = random_colour();
    connection_highlight[idx] = colour;
    node_highlight[a] = colour;
    node_highlight[b] = colour;
    *count = rebuild_node_highlights(rates.n);
}

void steady_spawn_test(const StepRates& rates, int a, int b, int* count) {
    if (rng_unit() < rates.spawn_rate * rates.dt) attempt_spawn(rates, a, b, count);
}

void keep_up_highlight(const StepRates& rates, int a, int b, int* count) {
    int idx = pair_index(a, b);
    uint8_t v = connection_highlight[idx];
    if (!v) return;
    if (*count > rates.max_highlighted) {
        connection_highlight[idx] = 0;
        *count = rebuild_node_highlights(rates.n);
        return;
    }
    // Colour 1 now and then decays, into nothing or into colour 2.
    if (v == 1 && rng_unit() < 0.004f * rates.dt) {
        connection_highlight[idx] = rng_unit() < 0.5f ? 0 : 2;
        *count = rebuild_node_highlights(rates.n);
    }
    if (connection_highlight[idx] && (!connection_enabled[idx] || !node_alive[a] || !node_alive[b])) {
        connection_highlight[idx] = 0;
        *count = rebuild_node_highlights(rates.n);
    }
}

void grow_pair(const StepRates& rates, float pulse, int a, int b, int* count) {
    int idx = pair_index(a, b);
    float target = connection_enabled[idx] && node_alive[a] && node_alive[b] ? 1.0f : 0.0f;
    float p = connection_progress[idx];
    if (target == p) {
        if (p >= 1.0f) steady_spawn_test(rates, a, b, count);
        return;
    }
    int h = 37 * a + 17 * b;
    float rate = ((float)(h % 101) / 100.0f + 0.48f) * ((7.0f * pulse + 1.8f) * rates.dt) * rates.growth_scale;
    if (target > p) {
        p = std::min(p + rate, target);
        connection_progress[idx] = p;
        if (p >= 1.0f) {
            // Just completed: a good chance of a highlight at once.
            if (rng_unit() < 0.22f) {
                attempt_spawn(rates, a, b, count);
            } else {
                steady_spawn_test(rates, a, b, count);
            }
        }
    } else {
        float old = p;
        p = std::max(p - rate, target);
        connection_progress[idx] = p;
        if (old >= 1.0f && p >= 1.0f) steady_spawn_test(rates, a, b, count);
    }
}

}  // namespace

void update_connections(float dt, float pulse, double graph_time) {
    int n = active_node_count();
    rebuild_node_highlights(n);
    place_scheduled_highlights(n, graph_time);

    StepRates rates;
    rates.n = n;
    rates.max_highlighted = max_highlighted_nodes(graph_time, n);
    rates.spawn_rate = spawn_rate_at(graph_time);
    rates.growth_scale = growth_scale_at(graph_time);
    rates.dt = dt;
    int count = rebuild_node_highlights(n);
    if (n < 2) return;

    for (int a = 0; a < n - 1; ++a) {
        for (int b = a + 1; b < n; ++b) {
            keep_up_highlight(rates, a, b, &count);
            grow_pair(rates, pulse, a, b, &count);
        }
    }
}

float blue_wave_radius(double t) {
    return (float)(t - blue_phase_start) * 140.0f;
}

bool connection_is_blue(double t, int a, int b) {
    if (t < blue_phase_start) return false;
    float radius = blue_wave_radius(t);
    float mx = (nodes[a].x + nodes[b].x) * 0.5f - screen_centre_x;
    float my = (nodes[a].y + nodes[b].y) * 0.5f - screen_centre_y;
    return mx * mx + my * my <= radius * radius;
}
