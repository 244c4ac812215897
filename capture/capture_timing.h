// The beat schedule on which nodes are born and reached by their capture
// squares. Read-only over the graph state.
#pragma once

#include "graph/graph_state.h"

#include <cstdint>

// A capture square rests this long at its source, then travels along its
// path at this speed (pixels per second).
const double capture_source_wait = 0.18;
const double capture_travel_speed = 360.0;

// The first beat at which node i is in play; 999 past the capacity.
int64_t square_birth_beat(int i);
// Song times (seconds) at which node i's capture starts, its square arrives
// and the capture is complete. Each call walks the parent chain afresh, so
// the answers always match the current positions and connections.
double capture_start_time(int i);
double capture_received_time(int i);
double capture_finish_time(int i);

// The same three times for nodes 0 .. count-1 at once, each node computed
// from its parent's entry (parents have lower indexes). Identical to the
// single-node functions for the state at the moment of the call.
struct CaptureTimes {
    double start[node_capacity];
    double received[node_capacity];
    double finish[node_capacity];
};
void compute_capture_times(CaptureTimes& times, int count);
