#include "timeline/timeline.h"

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

void update_startup_amount(double t) {
    long n = (long)(std::min(t, blue_phase_start) / beat_seconds);
    if (n < 0) {
        controls[control_am].value = 0.0f;
        return;
    }
    int a = 0;
    for (long b = 0; b <= n; ++b) {
        if (b < 8) continue;
        if (b < 16) {
            if (a < 1) a += 1;
        } else if (b < 28) {
            if (a < 2) a += 1;
        } else if (b < 30) {
            if (a < 4) a += 1;
        } else {
            if (a == node_capacity) break;
            if (a <= 3) a += 1;
            else a = std::min(a + 2, node_capacity);
        }
    }
    controls[control_am].value = (float)a;
}
