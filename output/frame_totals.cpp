#include "output/frame_totals.h"

#include "timeline/timeline.h"

#include <cmath>

double offline_total_seconds(double duration) {
    return (lead_in_seconds + duration) + blackout_seconds;
}

int64_t offline_total_frames(double total_seconds) {
    return (int64_t)std::ceil(total_seconds * (double)frame_rate);
}

int64_t offline_rendered_frames(double start_seconds, double duration, int64_t total_frames) {
    double end_time = -1.0;
    for (int64_t n = 0; n < total_frames; n++) {
        double clock = offline_clock(n);
        if (clock < lead_in_seconds) continue;
        double t = start_seconds + clock - lead_in_seconds;
        if (t < duration) continue;
        if (end_time < 0.0) end_time = clock;
        if (blackout_finished(clock, end_time)) return n + 1;
    }
    return total_frames;
}
