#include "graph/lifecycle.h"

#include "capture/capture_timing.h"
#include "graph/graph_state.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>

namespace {

// n nodes at the centre, all linked to node 0 except node 3 (parent 2);
// n - 1 births counted and one birth since the last death.
void small_graph(int n) {
    clear_graph_state(n);
    for (int i = 0; i < node_capacity; ++i) nodes[i].x = 960.0f, nodes[i].y = 540.0f;
    for (int i = 1; i < n; ++i) connection_enabled[pair_index(i == 3 ? 2 : 0, i)] = 1;
    rebuild_parent_cache();
    last_lifecycle_count = n - 1;
    births_since_death = 1;
}

int dead_count() { return (int)std::count(node_alive, node_alive + node_capacity, 0); }

// A generator state whose next draw starts the walk at `start` (with a draw of exactly 1 if asked).
uint64_t state_starting_walk_at(int start, int n, bool draw_one = false) {
    for (uint64_t s = 0;; ++s) {
        rng_state = s;
        float r = rng_unit();
        if (draw_one && r != 1.0f) continue;
        if (std::min((int)(r * (float)n), n - 1) == start) return s;
    }
}

TEST(Lifecycle, EverySecondBirthKillsUntilBarThirtyTwo) {
    const double t = 70 * beat_seconds + 0.1;
    small_graph(9);
    births_since_death = 0;
    const double when[4] = {t, t, t, blue_phase_start};
    const float amount[4] = {9, 10, 14, 30};  // 14: four births in one call
    const int dead[4] = {0, 1, 3, 3};
    for (int k = 0; k < 4; ++k) {
        controls[control_am].value = amount[k];
        update_lifecycle(when[k]);
        EXPECT_EQ(dead_count(), dead[k]) << k;
    }
    EXPECT_EQ(last_lifecycle_count, 14);
    for (int i = 0; i < 14; ++i)
        EXPECT_TRUE(node_alive[i] || (node_death_time[i] == t && ghost_remaining[i] == 1.0f && ghost_size[i] == 17.0f));
}

// Node 0 dead, node 1 in its capture, node 2 the parent of node 3 in its
// capture, nodes 4 and 5 younger than 24 beats: nobody may die. Lifting one
// rule lets the node it protected die.
TEST(Lifecycle, CapturedParentsOfCapturedAndYoungNodesAreSpared) {
    const double t = 53 * beat_seconds + 0.08;
    auto setup = [](float node1_x, float node3_x) {
        small_graph(6);
        node_alive[0] = 0;
        nodes[1].x = node1_x, nodes[2].x = 1000.0f, nodes[3].x = node3_x;
    };
    setup(3960.0f, 4000.0f);
    ASSERT_TRUE(capture_start_time(1) <= t && t < capture_finish_time(1));
    ASSERT_TRUE(capture_start_time(3) <= t && t < capture_finish_time(3));
    update_lifecycle(t);
    EXPECT_EQ(dead_count(), 1);
    EXPECT_EQ(births_since_death, 2);
    uint64_t before = rng_state;
    controls[control_am].value = 7.0f;  // the next birth tries again, one draw
    update_lifecycle(t);
    uint64_t after = rng_state;
    rng_state = before;
    rng_unit();
    EXPECT_EQ(after, rng_state);
    EXPECT_EQ(dead_count(), 1);

    setup(1000.0f, 4000.0f);
    update_lifecycle(t);
    EXPECT_EQ(node_alive[1], 0);
    setup(3960.0f, 1000.0f);
    rng_state = state_starting_walk_at(2, 6);
    update_lifecycle(t);
    EXPECT_EQ(node_alive[2], 0);
    setup(3960.0f, 4000.0f);
    update_lifecycle(t + beat_seconds);  // nodes 4 and 5 turn 24 beats old
    EXPECT_EQ(node_alive[4] + node_alive[5], 1);
}

TEST(Lifecycle, WalkWrapsAroundAndADrawOfOneStartsAtTheLastNode) {
    small_graph(6);
    node_alive[5] = 0;
    rng_state = state_starting_walk_at(5, 6);
    update_lifecycle(60 * beat_seconds);
    EXPECT_EQ(node_alive[0], 0);
    small_graph(6);
    rng_state = state_starting_walk_at(5, 6, true);
    update_lifecycle(60 * beat_seconds);
    EXPECT_EQ(node_alive[5], 0);
    EXPECT_EQ(dead_count(), 1);
}

// Ghost of node 0 at (500, 500), half-side 8.5; the elbow of a < b turns at
// (x_b, y_a) for an even index sum, (x_a, y_b) for an odd one.
TEST(Ghosts, GrownCrossingPairsWearThemOncePerPairPerStep) {
    clear_graph_state(8);
    for (int i = 0; i < node_capacity; ++i) nodes[i].x = nodes[i].y = 100.0f;
    nodes[0] = {500.0f, 500.0f, 0, 0, 0};
    ghost_size[0] = 17.0f;
    nodes[2] = {700.0f, 505.0f, 0, 0, 0};                // (1, 2): leg at y = 505
    nodes[5] = {500.0f + 0.9f * 8.5f, 900.0f, 0, 0, 0};  // (3, 5): leg on the edge of a 0.9 ghost
    nodes[4] = {100.0f, 500.0f, 0, 0, 0};                // (4, 6): both legs cross
    nodes[6] = {500.0f, 900.0f, 0, 0, 0};
    struct Step { int n, a, b; float grown, before, after; };
    const Step steps[] = {{8, 1, 2, 0.71f, 1.0f, 1.0f}, {8, 1, 2, 0.72f, 1.0f, 0.9f}, {8, 3, 5, 1.0f, 0.9f, 0.8f},
                          {8, 4, 6, 1.0f, 1.0f, 0.9f},  {8, 4, 6, 1.0f, 0.05f, 0.0f}, {6, 4, 6, 1.0f, 1.0f, 1.0f}};
    for (const Step& s : steps) {
        std::memset(connection_progress, 0, sizeof connection_progress);
        connection_progress[pair_index(s.a, s.b)] = s.grown;
        controls[control_am].value = (float)s.n;
        ghost_remaining[0] = s.before;
        update_ghosts(0.5f);
        EXPECT_FLOAT_EQ(ghost_remaining[0], s.after) << s.a << "-" << s.b << " grown " << s.grown << " n " << s.n;
    }
}

}  // namespace
