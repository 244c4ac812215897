#include "timeline/start_seek.h"

#include "graph/simulation.h"
#include "output/stop_signals.h"
#include "render/present.h"
#include "timeline/timeline.h"

#include <cstdio>
#include <unistd.h>

void draw_start_loader(SDL_Window* window, double done, double total) {
    draw_start_loader_picture(done, total);
    present_frame(window);
}

// Drops every pending event; 0 when one of them asks to quit.
static int drain_seek_events() {
    SDL_Event event;
    int keep_going = stop_requested() ? 0 : 1;  // a stop signal of an offline run
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) keep_going = 0;
        if (event.type == SDL_KEYDOWN && event.key.repeat == 0 && event.key.keysym.sym == SDLK_ESCAPE) {
            keep_going = 0;
        }
    }
    return keep_going;
}

int run_start_seek_with(SDL_Window* window, double start_seconds, SeekStep step, LoaderDraw draw,
                        WallClock clock) {
    std::fprintf(stderr, "Preparing %.2f seconds of skipped timeline; this may take a moment.\n", start_seconds);
    SkippedTimeline seek = begin_skipped_timeline(start_seconds);
    draw(window, 0.0, seek.target);
    double last_present = clock();

    double next_redraw = 0.0;
    while (!skipped_timeline_done(seek)) {
        if (!drain_seek_events()) return 0;
        const double t_next = step_skipped_timeline(seek, step);
        // Every 0.12 s of song time the progress may be shown, when a
        // screen refresh has passed since the last picture.
        if (t_next >= next_redraw) {
            next_redraw = t_next + loader_redraw_seconds;
            double now = clock();
            if (now - last_present >= loader_present_seconds) {
                draw(window, t_next, seek.target);
                // Counted from the end of the picture: however long showing
                // it takes (scaling it on a software driver), the seek gets
                // a refresh's time between two pictures.
                last_present = clock();
            }
        }
    }

    draw(window, seek.target, seek.target);
    return drain_seek_events();
}

static double performance_seconds() {
    return (double)SDL_GetPerformanceCounter() / (double)SDL_GetPerformanceFrequency();
}

// Without a window the seek's progress goes to standard error, on a
// terminal as one line rewritten in place (the seek takes well under a
// second, so a log gets only the line announcing it).
static void print_seek_progress(SDL_Window*, double done, double total) {
    static bool line_ended = false;
    if (isatty(STDERR_FILENO) != 1) return;
    if (done <= 0.0) line_ended = false;
    if (line_ended) return;
    line_ended = done >= total;
    std::fprintf(stderr, "\rbuilding skipped timeline: %3d%%%s", total > 0.0 ? (int)(100.0 * done / total) : 100,
                 line_ended ? "\n" : "");
}

int run_start_seek(SDL_Window* window, double start_seconds) {
    return run_start_seek_with(window, start_seconds, run_simulation_step,
                               window != nullptr ? draw_start_loader : print_seek_progress, performance_seconds);
}
