// Starting part-way: the graph timeline before the start point is
// simulated in 1/60 s steps, as the frames would have stepped it, while a
// loader picture shows the progress. Platform-free: the SDL start seek and
// the browser page both step it.
#pragma once

#include "timeline/timeline.h"

// The seek never simulates past the point where the graph freezes.
const double seek_step_seconds = frame_seconds;

struct SkippedTimeline {
    double t;       // song time simulated so far
    double target;  // where the seek ends: the start point, at most bar 96
};

SkippedTimeline begin_skipped_timeline(double start_seconds);
bool skipped_timeline_done(const SkippedTimeline& seek);

// One simulation step, passed in so the stepping can be checked apart
// from the graph.
typedef void (*SeekStep)(double t, float dt);
// Steps from seek.t by 1/60 s, the last step shortened to end on the
// target. Returns the song time reached.
double step_skipped_timeline(SkippedTimeline& seek, SeekStep step);

// The loader picture (captions, track, progress bar) at done of total
// seconds.
void draw_start_loader_picture(double done, double total);
