// Progress of an offline render on standard error: frames done of the
// total, frames per second and time left. On a terminal one line is
// rewritten in place a few times a second; otherwise (a log file, a
// pipe) a plain line is written every ten seconds. Either way the last
// frame gets a line.
#pragma once

#include <cstddef>
#include <cstdint>

struct Progress {
    int64_t total_frames;
    double start_seconds;        // monotonic time of the first frame
    double last_report_seconds;  // monotonic time of the last line, < 0 before any
    bool in_place;               // standard error is a terminal
    bool line_open;              // an in-place line is showing and needs its newline
};

const double in_place_interval_seconds = 0.25;
const double plain_interval_seconds = 10.0;

// Seconds on the monotonic clock.
double monotonic_seconds();

void start_progress(Progress& progress, int64_t total_frames, bool in_place, double now);
// "frame 123/4567 (2.7%), 41.3 fps, 1:47 left" into out.
void format_progress(char* out, size_t size, int64_t done, int64_t total, double elapsed_seconds);
// Writes a report if one is due at now, after frames_done frames.
void report_progress(Progress& progress, int64_t frames_done, double now);
// Ends an in-place line, so that messages after it start on their own line.
void end_progress(Progress& progress);
