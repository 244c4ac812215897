#include "graph/red_particles.h"

#include "graph/blue_cull.h"
#include "graph/graph_state.h"
#include "timeline/timeline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// The survivor bleeds once per bar from the start of its dance until one
// dance period after the dance's stop.
void bleed_survivor(double t, int64_t bar) {
    if (blue_survivor < 0 || survivor_alone_since < 0.0) return;
    double dance_start = survivor_alone_since + survivor_solitude_seconds;
    if (t < dance_start) return;
    float period;
    double stop_offset;
    if (survivor_dance_omega > 0.0f) {
        period = survivor_dance_period();
        stop_offset = 1.15 * (double)period;
    } else {
        period = 6.0f;
        stop_offset = (double)(1.15f * 6.0f);
    }
    if (last_bleed_beat == bar) return;
    const Node& survivor = nodes[blue_survivor];
    if (t < dance_start + stop_offset) {
        emit_red_particle(survivor.x, survivor.y);
    } else {
        float f = 1.0f - (float)((t - survivor_alone_since - survivor_solitude_seconds - stop_offset) / (double)period);
        if (f < 0.0f) f = 0.0f;
        if (f > 0.0f) emit_red_particle(survivor.x, survivor.y);
    }
    last_bleed_beat = bar;
}

// Once the revival wave has reached every dead node, up to eight dead nodes
// per bar bleed, taken in turn by a cursor that keeps walking across bars.
void bleed_dead_group(double t, int64_t bar) {
    int n = active_node_count();
    if (n <= 0 || last_group_bleed_beat == bar || !revival_all_blue(t)) return;
    int emitted = 0;
    for (int step = 0; step < n && emitted < group_bleed_limit; ++step) {
        int k = next_group_bleeder % n;
        next_group_bleeder += 1;
        if (k == blue_survivor || node_alive[k]) continue;
        emit_red_particle(nodes[k].x, nodes[k].y);
        emitted += 1;
    }
    last_group_bleed_beat = bar;
}

void move_red_particles(float dt) {
    for (int k = 0; k < red_particle_capacity; ++k) {
        RedParticle& p = red_particles[k];
        if (!p.active) continue;
        p.age += dt;
        if (p.age >= p.life) {
            p.active = 0;
            continue;
        }
        float dx = p.x - swirl_center_x;
        float dy = p.y - swirl_center_y;
        // A particle at the centre itself has no direction; r = 1 keeps it finite.
        float r = std::max(1.0f, std::sqrt(dx * dx + dy * dy));
        float ts = (float)(k % 17 + 52);
        p.x += (p.radial_speed * dx / r - ts * dy / r) * dt;
        p.y += (p.radial_speed * dy / r + ts * dx / r) * dt;
    }
}

}  // namespace

void emit_red_particle(float x, float y) {
    int slot = next_red_particle;
    next_red_particle = (slot + 1) % red_particle_capacity;
    // Five draws, always in this order.
    float r1 = rng_unit();
    float r2 = rng_unit();
    float r3 = rng_unit();
    float r4 = rng_unit();
    float r5 = rng_unit();
    float a = r1 * two_pi_f;
    float d = r2 * 8.0f;
    RedParticle& p = red_particles[slot];
    p.x = x + (float)std::cos((double)a) * d;
    p.y = y + (float)std::sin((double)a) * d;
    p.active = 1;
    p.age = 0.0f;
    p.life = r3 * 2.2f + 2.6f;
    p.size = r4 * 2.0f + 2.0f;
    p.radial_speed = r5 * 24.0f + 10.0f;
}

void update_red_particles(float dt, double t) {
    // Nothing is emitted once the graph scenes have ended.
    if (t < circle_phase_start) {
        int64_t bar = (int64_t)(t / bar_seconds);
        bleed_survivor(t, bar);
        bleed_dead_group(t, bar);
    }
    move_red_particles(dt);
}
