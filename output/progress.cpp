#include "output/progress.h"

#include <cstdio>
#include <ctime>

double monotonic_seconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

void start_progress(Progress& progress, int64_t total_frames, bool in_place, double now) {
    progress = Progress{};
    progress.total_frames = total_frames;
    progress.start_seconds = now;
    progress.last_report_seconds = now;
    progress.in_place = in_place;
}

void format_progress(char* out, size_t size, int64_t done, int64_t total, double elapsed_seconds) {
    double percent = total > 0 ? 100.0 * (double)done / (double)total : 100.0;
    double fps = elapsed_seconds > 0.0 ? (double)done / elapsed_seconds : 0.0;
    int64_t remaining = total > done ? total - done : 0;
    if (fps > 0.0) {
        long left = (long)((double)remaining / fps + 0.5);
        std::snprintf(out, size, "frame %ld/%ld (%.1f%%), %.1f fps, %ld:%02ld left", (long)done, (long)total,
                      percent, fps, left / 60, left % 60);
    } else {
        std::snprintf(out, size, "frame %ld/%ld (%.1f%%)", (long)done, (long)total, percent);
    }
}

void report_progress(Progress& progress, int64_t frames_done, double now) {
    double interval = progress.in_place ? in_place_interval_seconds : plain_interval_seconds;
    bool last = frames_done >= progress.total_frames;
    // The last frame always gets its line, so even a short run ends with one.
    if (now - progress.last_report_seconds < interval && !last) return;
    progress.last_report_seconds = now;
    char line[160];
    format_progress(line, sizeof line, frames_done, progress.total_frames, now - progress.start_seconds);
    if (progress.in_place) {
        std::fprintf(stderr, "\r%s\033[K", line);
        progress.line_open = true;
    } else {
        std::fprintf(stderr, "%s\n", line);
    }
    std::fflush(stderr);
}

void end_progress(Progress& progress) {
    if (progress.line_open) std::fputc('\n', stderr);
    progress.line_open = false;
}
