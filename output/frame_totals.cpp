#include "output/frame_totals.h"

#include <cmath>

double offline_total_seconds(double duration) {
    return (offline_lead_in_seconds + duration) + offline_blackout_seconds;
}

int64_t offline_total_frames(double total_seconds) {
    return (int64_t)std::ceil(total_seconds * (double)offline_frame_rate);
}

int64_t offline_rendered_frames(double start_seconds, double duration, int64_t total_frames) {
    double end_time = -1.0;
    for (int64_t n = 0; n < total_frames; n++) {
        double clock = (double)n / 60.0;
        if (clock < offline_lead_in_seconds) continue;
        double t = start_seconds + clock - offline_lead_in_seconds;
        if (t < duration) continue;
        if (end_time < 0.0) end_time = clock;
        if (!(clock - end_time < offline_blackout_seconds)) return n + 1;
    }
    return total_frames;
}
