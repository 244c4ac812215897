// How long an offline render lasts: the total duration, the frame total
// that both outputs announce, and the frames a run actually renders when it
// starts part-way and so ends earlier by the closing blackout.
#pragma once

#include <cstdint>

// T = (2.0 + duration) + 4.0.
double offline_total_seconds(double duration);
// ceil(T * 60).
int64_t offline_total_frames(double total_seconds);
// Frames the frame loop renders before its end rule stops it: black
// lead-in frames until the clock reaches 2 s, song time from start_seconds,
// the blackout from the first frame with song time >= duration, and the last
// frame the one on which 4 s of blackout have passed; never more than
// total_frames. Uses the frame loop's own clock and end rule so the two agree.
int64_t offline_rendered_frames(double start_seconds, double duration, int64_t total_frames);
