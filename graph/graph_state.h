// The node graph: 320 nodes, three upper-triangular connection matrices,
// per-node state, the subsystem's scalars, the controls table and the single
// random source. All of it is static and lives for the whole run; only
// randomize_connections resets it.
#pragma once

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
    uint8_t active;
};

struct Control {
    const char* label;
    float value;
    float min;
    float max;
    float step;
};

enum ControlIndex { control_am, control_di, control_in, control_sp, control_sq, control_dr, control_count };

// 2 pi in single precision, for headings and the dance period.
const float two_pi_f = 6.2831855f;
// The point that nodes and particles circle, each product in single
// precision.
const float swirl_center_x = 0.53f * 1920.0f;
const float swirl_center_y = 0.51f * 1080.0f;
// Song seconds between the survivor being left alone and its dance: four
// bars.
const double survivor_solitude_seconds = 6.857142857142857;

// The pair a < b lives at a * node_capacity + b.
inline int pair_index(int a, int b) { return a * node_capacity + b; }

extern Node nodes[node_capacity];
extern uint8_t connection_enabled[node_capacity * node_capacity];
extern uint8_t connection_highlight[node_capacity * node_capacity];
extern float connection_progress[node_capacity * node_capacity];

extern uint8_t node_alive[node_capacity];
extern uint8_t node_highlight[node_capacity];
extern double node_death_time[node_capacity];
extern float ghost_size[node_capacity];
extern float ghost_remaining[node_capacity];

extern double survivor_alone_since;
extern int32_t blue_survivor;
extern int64_t last_group_bleed_beat;
extern int64_t last_bleed_beat;
extern int32_t blue_transition_baked;
extern int32_t survivor_dance_initialized;
extern float survivor_dance_omega;
extern float survivor_dance_radius;
extern float survivor_dance_angle;
extern float blue_cull_accumulator;
extern int32_t births_since_death;
extern int32_t last_lifecycle_count;
extern int32_t scheduled_colors_created;
extern int32_t next_group_bleeder;
extern int32_t next_red_particle;

extern RedParticle red_particles[red_particle_capacity];

extern Control controls[control_count];

// The seed (0..9999) and the generator state.
extern uint64_t layout_seed;
extern uint64_t rng_state;

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
