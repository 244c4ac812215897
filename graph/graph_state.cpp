#include "graph/graph_state.h"

Node nodes[node_capacity];
uint8_t connection_enabled[node_capacity * node_capacity];
uint8_t connection_highlight[node_capacity * node_capacity];
float connection_progress[node_capacity * node_capacity];

uint8_t node_alive[node_capacity];
uint8_t node_highlight[node_capacity];
double node_death_time[node_capacity];
float ghost_size[node_capacity];
float ghost_remaining[node_capacity];

double survivor_alone_since = -1.0;
int32_t blue_survivor = -1;
int64_t last_group_bleed_beat = -1;
int64_t last_bleed_beat = -1;
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

RedParticle red_particles[red_particle_capacity];

Control controls[control_count] = {
    {"AM", 0.0f, 0.0f, 256.0f, 1.0f},
    {"DI", 600.0f, 35.0f, 600.0f, 5.0f},
    {"IN", 0.0f, 0.0f, 1.0f, 1.0f},
    {"SP", 1.8f, 0.0f, 1.8f, 0.03f},
    {"SQ", 17.0f, 1.0f, 18.0f, 0.5f},
    {"DR", 1.0f, 0.0f, 1.0f, 0.02f},
};

uint64_t layout_seed = 0;
uint64_t rng_state = 0;

int active_node_count() {
    return (int)controls[control_am].value;
}

// TODO(graph): the generator, respawn, sway, connections and layouts.
float rng_unit() { return 0.0f; }
void respawn_node(Node&) {}
void floating_position(int i, double, float* x, float* y) { *x = nodes[i].x; *y = nodes[i].y; }
int select_connection_target(int, int) { return 0; }
void randomize_connections() {}
int parent_of(int) { return 0; }
void build_startup_layout() {}
void reseed_layout(uint64_t seed) { layout_seed = seed; }
