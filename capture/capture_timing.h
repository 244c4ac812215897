// The beat schedule on which nodes are born and reached by their capture
// squares. Read-only over the graph state.
#pragma once

#include <cstdint>

int64_t square_birth_beat(int i);
double capture_start_time(int i);
double capture_received_time(int i);
double capture_finish_time(int i);
