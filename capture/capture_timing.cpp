#include "capture/capture_timing.h"

#include "render/screen.h"
#include "timeline/timeline.h"

#include <cmath>

namespace {

// Manhattan distance from node i's source (its parent, or the screen centre
// for node 0) in single precision, over rest positions.
float source_distance(int i) {
    if (i < 0 || i >= node_capacity) return 0.0f;  // no such node
    float sx = screen_centre_x;
    float sy = screen_centre_y;
    if (i > 0) {
        int p = parent_of(i);
        sx = nodes[p].x;
        sy = nodes[p].y;
    }
    return std::fabs(nodes[i].x - sx) + std::fabs(nodes[i].y - sy);
}

double received_after(double start, float d) {
    return start + capture_source_wait + (double)d / capture_travel_speed;
}

double finished_after(double start, float d) {
    return start + capture_source_wait + (double)(d + d) / capture_travel_speed;
}

double start_after(int i, double parent_received) {
    double t = (double)square_birth_beat(i) * beat_seconds;
    if (i <= 0 || i >= node_capacity) return t;
    return parent_received > t ? parent_received : t;
}

}  // namespace

int64_t square_birth_beat(int i) {
    // Closed form of the count schedule: one node on beat 8, a second on 16,
    // two more on 28 and 29, then two per beat up to the capacity.
    if (i < 0) return 0;
    if (i >= node_capacity) return 999;
    if (i == 0) return 8;
    if (i == 1) return 16;
    if (i == 2) return 28;
    if (i == 3) return 29;
    return 30 + (i - 4) / 2;
}

double capture_start_time(int i) {
    if (i <= 0 || i >= node_capacity) return start_after(i, 0.0);
    return start_after(i, capture_received_time(parent_of(i)));
}

double capture_received_time(int i) {
    return received_after(capture_start_time(i), source_distance(i));
}

double capture_finish_time(int i) {
    return finished_after(capture_start_time(i), source_distance(i));
}

void compute_capture_times(CaptureTimes& times, int count) {
    if (count > node_capacity) count = node_capacity;
    for (int i = 0; i < count; ++i) {
        double parent_received = i > 0 ? times.received[parent_of(i)] : 0.0;
        double start = start_after(i, parent_received);
        float d = source_distance(i);
        times.start[i] = start;
        times.received[i] = received_after(start, d);
        times.finish[i] = finished_after(start, d);
    }
}
