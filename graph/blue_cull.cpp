#include "graph/blue_cull.h"

#include "graph/graph_state.h"

// TODO(graph): bake, cull, revival.
void bake_blue_transition(double) { blue_transition_baked = 1; }
void update_blue_cull(float, double) {}
bool revival_all_blue(double) { return false; }
