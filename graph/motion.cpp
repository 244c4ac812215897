#include "graph/motion.h"

#include "graph/graph_state.h"
#include "render/screen.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cmath>

namespace {

// (k i mod 101) / 100: a fixed per-node fraction in 0 .. 1.
float index_fraction(int k, int i) {
    return (float)((k * i) % 101) / 100.0f;
}

float swirl_speed(int i) { return index_fraction(43, i) * 96.0f + 136.0f; }
float capture_start(int i) { return index_fraction(37, i) * 0.75f + 18.5f; }
float capture_duration(int i) { return index_fraction(61, i) * 0.8f + 0.4f; }
float orbit_radius(int i) { return index_fraction(67, i) * 310.0f + 150.0f; }

float wrap_axis(float v, float high) {
    if (v < -12.0f) return high + 12.0f;
    if (v > high + 12.0f) return -12.0f;
    return v;
}

bool is_dancing(int i, double t) {
    return i == blue_survivor && survivor_alone_since >= 0.0 && t >= survivor_alone_since + survivor_solitude_seconds;
}

// The survivor leaves its swirl for a circle of its own, starting where it
// stands and as fast as the swirl carried it.
void dance_survivor(Node& node, double t, float dx, float dy, float r, float sw) {
    if (!survivor_dance_initialized) {
        survivor_dance_angle = (float)std::atan2((double)dy, (double)dx);
        survivor_dance_omega = (sw / r) * 0.5f;
        survivor_dance_radius = r;
        survivor_dance_initialized = 1;
    }
    float u = (float)(t - survivor_alone_since - survivor_solitude_seconds);
    float theta = dance_angle_offset(u, survivor_dance_omega) + survivor_dance_angle;
    node.x = (float)std::cos((double)theta) * survivor_dance_radius + swirl_center_x;
    node.y = (float)std::sin((double)theta) * survivor_dance_radius + swirl_center_y;
}

// Dead nodes turn their swirl around over one dance period once the
// survivor has stopped, one after another by their stagger.
float reversed_swirl_speed(int i, int n, double t, float sw) {
    float period = survivor_dance_period();
    float stagger = (float)((47 * i) % n) * 0.055f;
    float q = (float)(t - survivor_alone_since - survivor_solitude_seconds - (double)(1.15f * period)) - stagger;
    if (q > 0.0f) sw = sw * (1.0f - 2.0f * std::min(q / period, 1.0f));
    return sw;
}

}  // namespace

float dance_angle_offset(float u, float omega) {
    float period = two_pi_f / omega;
    float a1 = 1.15f * period;
    float a2 = 2.15f * period;
    if (u < a1) {
        // Slowing from omega to a stop after 1.15 pi.
        return u * omega - (omega / a1) * 0.5f * u * u;
    }
    if (u < a2) {
        // Swinging back to 0.15 pi, reaching -omega.
        float d = u - a1;
        return 3.6128316f - (omega / period) * 0.5f * (d * d);
    }
    return 0.47123894f - (u - a2) * omega;
}

void update_nodes(float dt, double graph_time) {
    int n = active_node_count();
    if (graph_time < swirl_start_graph_time || n <= 0) return;
    const float tf = (float)graph_time;
    const float ramp = std::min((tf - 18.5f) / (31.0f / 6.0f), 1.0f);
    const float ramp2 = ramp * ramp;
    const float sp = controls[control_sp].value;
    const float dr = controls[control_dr].value;
    const double t = 2.0 * graph_time;  // song time

    for (int i = 0; i < n; ++i) {
        Node& node = nodes[i];
        float wx = 0.0f;
        float wy = 0.0f;
        if (node_alive[i]) {
            wx = sp * node.vx + (float)std::sin(0.35 * graph_time + (double)node.phase) * dr * 8.0f;
            wy = sp * node.vy + (float)std::cos(0.29 * graph_time + (double)node.phase) * dr * 8.0f;
        }
        float dx = node.x - swirl_center_x;
        float dy = node.y - swirl_center_y;
        float r = std::max(1.0f, std::sqrt(dx * dx + dy * dy));
        float ux = dx / r;
        float uy = dy / r;
        float sw = swirl_speed(i);

        if (is_dancing(i, t)) {
            dance_survivor(node, t, dx, dy, r, sw);
            continue;
        }

        float w = std::min((tf - capture_start(i)) / capture_duration(i), 1.0f);
        w = w * w * ramp2;
        if (!node_alive[i] && survivor_dance_initialized) sw = reversed_swirl_speed(i, n, t, sw);
        float rr = (orbit_radius(i) - r) * 0.16f;
        float vxt = w * (sw * (-uy) + ux * rr) + (1.0f - w) * wx;
        float vyt = w * (sw * ux + uy * rr) + (1.0f - w) * wy;
        node.x = wrap_axis(node.x + vxt * dt, screen_width_f);
        node.y = wrap_axis(node.y + vyt * dt, screen_height_f);
    }
}
