#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

template <typename... T>
void append_bytes(std::vector<uint8_t>& out, const T&... values) {
    (out.insert(out.end(), reinterpret_cast<const uint8_t*>(&values), reinterpret_cast<const uint8_t*>(&values) + sizeof values), ...);
}

// The whole graph state; particles field by field so padding never counts.
std::vector<uint8_t> snapshot_graph_state() {
    std::vector<uint8_t> out;
    append_bytes(out, nodes, connection_enabled, connection_highlight, connection_progress, node_alive, node_highlight,
                 node_death_time, ghost_size, ghost_remaining);
    for (const RedParticle& p : red_particles) append_bytes(out, p.x, p.y, p.age, p.life, p.size, p.radial_speed, p.active);
    append_bytes(out, survivor_alone_since, blue_survivor, last_group_bleed_beat, last_bleed_beat, blue_transition_baked,
                 survivor_dance_initialized, survivor_dance_omega, survivor_dance_radius, survivor_dance_angle,
                 blue_cull_accumulator, births_since_death, last_lifecycle_count, scheduled_colors_created,
                 next_group_bleeder, next_red_particle, rng_state);
    for (const Control& c : controls) append_bytes(out, c.value);
    return out;
}

// Two runs of one seed end byte for byte alike, with another seed run in
// between so leftovers would show, and the blue act has played out.
TEST(GraphDeterminism, TheSameSeedGivesTheSameGraph) {
    simulate_graph_span(4711);
    std::vector<uint8_t> first = snapshot_graph_state();
    int n = active_node_count(), live = 0;
    for (int i = 0; i < n; ++i) live += node_alive[i];
    EXPECT_TRUE(live == 1 && blue_survivor >= 0 && node_alive[blue_survivor]);
    EXPECT_GT(survivor_alone_since, blue_cull_start);  // the cull kills 20 nodes per second
    EXPECT_LT(survivor_alone_since, blue_cull_start + n / 20.0 + 1.0);
    EXPECT_TRUE(survivor_dance_initialized == 1 && last_bleed_beat >= 0 && next_red_particle + next_group_bleeder > 0);

    simulate_graph_span(12);
    std::vector<uint8_t> other = snapshot_graph_state();
    simulate_graph_span(4711);
    EXPECT_TRUE(first == snapshot_graph_state());
    EXPECT_FALSE(first == other);
}

}  // namespace
