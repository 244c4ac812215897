#include "graph/blue_cull.h"
#include "graph/graph_state.h"
#include "graph/red_particles.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace {

TEST(EmitRedParticle, FiveDrawsInOrderAndCyclicSlots) {
    clear_graph_state(1);
    rng_state = 4321;
    float r[5];
    for (float& v : r) v = rng_unit();
    const uint64_t after = rng_state;
    rng_state = 4321;
    emit_red_particle(500.0f, 300.0f);
    const RedParticle& p = red_particles[0];  // angle, offset, life, size, speed
    EXPECT_EQ(p.x, 500.0f + (float)std::cos((double)(r[0] * 6.2831855f)) * (r[1] * 8.0f));
    EXPECT_TRUE(p.life == r[2] * 2.2f + 2.6f && p.size == r[3] * 2.0f + 2.0f && p.radial_speed == r[4] * 24.0f + 10.0f);
    EXPECT_EQ(rng_state, after);
    for (int i = 1; i < red_particle_capacity; ++i) emit_red_particle(100.0f, 100.0f);
    EXPECT_EQ(next_red_particle, 0);
    emit_red_particle(1500.0f, 900.0f);  // the 385th replaces slot 0, still active
    EXPECT_EQ(next_red_particle, 1);
    EXPECT_NEAR(red_particles[0].x, 1500.0f, 8.0f);
}

TEST(MoveRedParticles, SpiralOutwardAndExpire) {
    const float cx = 0.53f * 1920.0f, cy = 0.51f * 1080.0f;
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

// Survivor 0 dancing with omega 1 since 80 + four bars; nodes 1 .. n-1 dead,
// 20 px apart along x, so a particle's source is its nearest node.
void prepare_bleeding(int n) {
    clear_graph_state(n);
    for (int i = 0; i < n; ++i) nodes[i].x = 400.0f + 20.0f * i, node_alive[i] = i == 0;
    blue_survivor = 0;
    survivor_alone_since = 80.0;
    survivor_dance_initialized = 1;
    survivor_dance_omega = 1.0f;
}

int source_of(int slot) { return (int)std::lround((red_particles[slot].x - 400.0f) / 20.0f); }

TEST(SurvivorBleed, OncePerBarWhileDancingUntilAPeriodAfterTheStop) {
    prepare_bleeding(1);
    const double dance_start = 80.0 + 6.857142857142857;
    const double bar_end = ((int64_t)(dance_start / bar_seconds) + 1) * bar_seconds;
    update_red_particles(0.01f, dance_start - 0.01);
    EXPECT_EQ(next_red_particle, 0);
    for (double t = dance_start; t < bar_end; t += 0.1) update_red_particles(0.01f, t);
    EXPECT_EQ(next_red_particle, 1);
    update_red_particles(0.01f, bar_end + 0.01);
    EXPECT_EQ(next_red_particle, 2);
    update_red_particles(0.01f, dance_start + 2.15 * 6.2831855 + 0.5);
    EXPECT_EQ(next_red_particle, 2);
}

TEST(GroupBleed, DeadNodesInTurnAtMostEightPerBar) {
    prepare_bleeding(13);
    node_alive[2] = 1;  // live: never bleeds
    const double r0 = revival_start_time(), t = r0 + 10.0;
    update_red_particles(0.0f, r0 + 0.01);  // the wave has not reached all yet
    EXPECT_EQ(next_red_particle, 0);
    update_red_particles(0.0f, t);
    update_red_particles(0.0f, t + 0.01);  // same bar: nothing more
    ASSERT_EQ(next_red_particle, 8);
    update_red_particles(0.0f, t + bar_seconds);
    ASSERT_EQ(next_red_particle, 16);
    const int slot[6] = {0, 1, 7, 10, 11, 12}, source[6] = {1, 3, 9, 12, 1, 3};  // past the survivor and node 2
    for (int k = 0; k < 6; ++k) EXPECT_EQ(source_of(slot[k]), source[k]) << slot[k];

    prepare_bleeding(4);  // fewer than eight dead: each once, the cursor walks n
    update_red_particles(0.0f, revival_start_time() + 5.0);
    EXPECT_EQ(next_red_particle, 3);
    EXPECT_EQ(next_group_bleeder, 4);
}

TEST(Bleeding, NothingIsEmittedFromBarNinetySix) {
    const double alone_since[2] = {circle_phase_start - 8.0, 100.0};  // survivor bleed due, group bleed due
    const int emitted[2] = {1, 3};
    for (int k = 0; k < 2; ++k) {
        prepare_bleeding(4);
        survivor_alone_since = alone_since[k];
        update_red_particles(0.0f, circle_phase_start);
        EXPECT_EQ(next_red_particle, 0);
        update_red_particles(0.0f, circle_phase_start - 0.01);
        EXPECT_EQ(next_red_particle, emitted[k]);
    }
}

}  // namespace
