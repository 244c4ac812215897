#include "timeline/timeline.h"

#include "capture/capture_timing.h"
#include "graph/graph_state.h"

#include <algorithm>
#include <cmath>

int bar_number(double t) {
    return (int)(t / bar_seconds) + 1;
}

float beat_pulse(double graph_time) {
    return 1.0f - (float)(std::fmod(graph_time, beat_seconds) / beat_seconds);
}

bool beat_flash(double t) {
    return 1.0f - (float)(std::fmod(t, beat_seconds) / beat_seconds) > 0.72f;
}

// AM counts the nodes born by the current beat; the birth schedule itself
// lives with the capture timing.
void update_startup_amount(double t) {
    long beat = (long)(std::min(t, blue_phase_start) / beat_seconds);
    int count = 0;
    while (count < node_capacity && square_birth_beat(count) <= beat) ++count;
    controls[control_am].value = (float)count;
}
