// The particle pool's wrap, a particle at the swirl centre, and the end of
// all emission at bar 96: corners the reference runs do not reach.
#include "graph/graph_state.h"
#include "graph/red_particles.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

namespace {

TEST(RedParticles, PoolWrapsAndParticlesSpiralOutOrExpire) {
    clear_graph_state(1);
    for (int i = 0; i < red_particle_capacity; ++i) emit_red_particle(100.0f, 100.0f);
    EXPECT_EQ(next_red_particle, 0);
    emit_red_particle(1500.0f, 900.0f);  // the 385th replaces slot 0, still active
    EXPECT_EQ(next_red_particle, 1);
    EXPECT_NEAR(red_particles[0].x, 1500.0f, 8.0f);

    const float cx = swirl_center_x, cy = swirl_center_y;
    clear_graph_state(0);
    red_particles[0] = RedParticle{cx + 100.0f, cy, 0.0f, 4.0f, 3.0f, 10.0f, 1};  // ts = 52
    red_particles[1] = RedParticle{cx, cy, 0.0f, 4.0f, 3.0f, 10.0f, 1};           // at the centre: r = 1
    red_particles[2] = RedParticle{cx + 100.0f, cy, 3.8f, 4.0f, 3.0f, 10.0f, 1};  // expires this step, unmoved
    update_red_particles(0.5f, 10.0);
    EXPECT_FLOAT_EQ(red_particles[0].x, cx + 105.0f);
    EXPECT_FLOAT_EQ(red_particles[0].y, cy + 26.0f);
    EXPECT_TRUE(red_particles[1].x == cx && red_particles[1].y == cy);
    EXPECT_TRUE(!red_particles[2].active && red_particles[2].x == cx + 100.0f);
}

// Survivor 0 dancing with omega 1 since alone_since + four bars; nodes
// 1 .. n-1 dead.
void prepare_bleeding(int n, double alone_since) {
    clear_graph_state(n);
    for (int i = 0; i < n; ++i) nodes[i].x = 400.0f + 20.0f * i, node_alive[i] = i == 0;
    blue_survivor = 0;
    survivor_alone_since = alone_since;
    survivor_dance_initialized = 1;
    survivor_dance_omega = 1.0f;
}

TEST(RedParticles, NothingIsEmittedFromBarNinetySix) {
    const double alone_since[2] = {circle_phase_start - 8.0, 100.0};  // survivor bleed due, group bleed due
    const int emitted[2] = {1, 3};
    for (int k = 0; k < 2; ++k) {
        prepare_bleeding(4, alone_since[k]);
        update_red_particles(0.0f, circle_phase_start);
        EXPECT_EQ(next_red_particle, 0);
        update_red_particles(0.0f, circle_phase_start - 0.01);
        EXPECT_EQ(next_red_particle, emitted[k]);
    }
}

}  // namespace
