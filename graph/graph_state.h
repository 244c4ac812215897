// The node graph: 320 nodes, three upper-triangular connection matrices,
// per-node state, the subsystem's scalars, the controls table and the single
// random source. All of it is static and lives for the whole run; only
// randomize_connections resets it.
#pragma once

#include "render/screen.h"

#include <cstdint>

const int node_capacity = 320;
const int red_particle_capacity = 384;

struct Node {
    float x;      // rest position, pixels from the left edge
    float y;      // rest position, pixels from the top edge
    float vx;     // own drift velocity, pixels per graph second
    float vy;
    float phase;  // radians in [0, 2 pi]
};

struct RedParticle {
    float x;
    float y;
    float age;
    float life;
    float size;
    float radial_speed;
    int32_t active;  // 0 or 1; a full word keeps the record free of padding
};

// One named tunable (AM, DI, IN, SP, SQ, DR); only its value is ever read.
struct Control {
    float value;
};

enum ControlIndex { control_am, control_di, control_in, control_sp, control_sq, control_dr, control_count };

// Seeds are 0..9999: any number given or drawn is taken modulo the count.
const uint64_t seed_count = 10000;
inline uint64_t wrap_seed(uint64_t seed) { return seed % seed_count; }

// 2 pi in single precision, for headings and the dance period.
const float two_pi_f = 6.2831855f;
// The point that nodes and particles circle, each product in single
// precision.
const float swirl_center_x = 0.53f * screen_width_f;
const float swirl_center_y = 0.51f * screen_height_f;
// Song seconds between the survivor being left alone and its dance: four
// bars.
const double survivor_solitude_seconds = 6.857142857142857;

// The elbow from node a to node b leaves a horizontally, turning at
// (x_b, y_a), when a + b is even; otherwise it leaves vertically and turns
// at (x_a, y_b).
inline bool elbow_leaves_horizontally(int a, int b) { return (a + b) % 2 == 0; }

// The pair a < b lives at a * node_capacity + b.
inline int pair_index(int a, int b) { return a * node_capacity + b; }

// The whole graph: every array and scalar of the simulation, the controls
// and the random source, in one record so that a reset or a snapshot is one
// assignment. Members are ordered by size so the record has no padding and
// its bytes (which the tests checksum) say all there is.
struct GraphState {
    double node_death_time[node_capacity];
    double survivor_alone_since = -1.0;
    int64_t last_group_bleed_beat = -1;
    int64_t last_bleed_beat = -1;
    uint64_t layout_seed = 0;  // the seed, 0..9999
    uint64_t rng_state = 0;    // the generator state

    Node nodes[node_capacity];
    float connection_progress[node_capacity * node_capacity];
    float ghost_size[node_capacity];
    float ghost_remaining[node_capacity];
    RedParticle red_particles[red_particle_capacity];
    Control controls[control_count] = {{0.0f}, {600.0f}, {0.0f}, {1.8f}, {17.0f}, {1.0f}};
    int32_t blue_survivor = -1;
    int32_t blue_transition_baked = 0;
    int32_t survivor_dance_initialized = 0;
    float survivor_dance_omega = 0.0f;
    float survivor_dance_radius = 0.0f;
    float survivor_dance_angle = 0.0f;
    float blue_cull_accumulator = 0.0f;
    int32_t births_since_death = 0;
    int32_t last_lifecycle_count = 0;
    int32_t scheduled_colors_created = 0;
    int32_t next_group_bleeder = 0;
    int32_t next_red_particle = 0;

    uint8_t connection_enabled[node_capacity * node_capacity];
    uint8_t connection_highlight[node_capacity * node_capacity];
    uint8_t node_alive[node_capacity];
    uint8_t node_highlight[node_capacity];
};

extern GraphState graph;

// The members under their own names, as the simulation and drawing use them.
inline auto& nodes = graph.nodes;
inline auto& connection_enabled = graph.connection_enabled;
inline auto& connection_highlight = graph.connection_highlight;
inline auto& connection_progress = graph.connection_progress;

inline auto& node_alive = graph.node_alive;
inline auto& node_highlight = graph.node_highlight;
inline auto& node_death_time = graph.node_death_time;
inline auto& ghost_size = graph.ghost_size;
inline auto& ghost_remaining = graph.ghost_remaining;

inline auto& survivor_alone_since = graph.survivor_alone_since;
inline auto& blue_survivor = graph.blue_survivor;
inline auto& last_group_bleed_beat = graph.last_group_bleed_beat;
inline auto& last_bleed_beat = graph.last_bleed_beat;
inline auto& blue_transition_baked = graph.blue_transition_baked;
inline auto& survivor_dance_initialized = graph.survivor_dance_initialized;
inline auto& survivor_dance_omega = graph.survivor_dance_omega;
inline auto& survivor_dance_radius = graph.survivor_dance_radius;
inline auto& survivor_dance_angle = graph.survivor_dance_angle;
inline auto& blue_cull_accumulator = graph.blue_cull_accumulator;
inline auto& births_since_death = graph.births_since_death;
inline auto& last_lifecycle_count = graph.last_lifecycle_count;
inline auto& scheduled_colors_created = graph.scheduled_colors_created;
inline auto& next_group_bleeder = graph.next_group_bleeder;
inline auto& next_red_particle = graph.next_red_particle;

inline auto& red_particles = graph.red_particles;
inline auto& controls = graph.controls;
inline auto& layout_seed = graph.layout_seed;
inline auto& rng_state = graph.rng_state;

// Period of the survivor's dance, 2 pi / survivor_dance_omega.
inline float survivor_dance_period() { return two_pi_f / survivor_dance_omega; }

// Active node count n: the AM value truncated.
int active_node_count();

// One draw of the generator: one of 65536 values in [0, 1].
float rng_unit();

void respawn_node(Node& node);
void floating_position(int i, double t, float* x, float* y);
int select_connection_target(int i, int k);
void randomize_connections();

// Lowest a < b with connection_enabled[a][b] set (b - 1 when there is none;
// -1 for node 0 and indexes out of range). Answered from a table that
// randomize_connections rebuilds; an entry whose connection has since been
// cleared is looked up again, but code that adds connections by hand below
// an existing parent (tests) must call rebuild_parent_cache afterwards.
int parent_of(int b);
void rebuild_parent_cache();

// Start-up layout: rng_state = layout_seed, all nodes respawned, nodes 0..3
// at their fixed points, the spacing pass, randomize_connections.
void build_startup_layout();
// Reseed for a new seed: no fixed points, no spacing pass.
void reseed_layout(uint64_t seed);
