// Starting part-way: the skipped graph timeline is simulated in 1/60 s
// steps behind a loader screen.
#pragma once

#include "timeline/skipped_timeline.h"

#include <SDL2/SDL.h>

const double loader_redraw_seconds = 0.12;
// The loader is presented at most once per screen refresh of wall-clock
// time (plus its first and its full picture): more would never be seen and
// only slow the seek down.
const double loader_present_seconds = frame_seconds;

// Draws one loader frame (captions, track, progress bar) and swaps.
void draw_start_loader(SDL_Window* window, double done, double total);
// Runs the seek to start_seconds. Returns 1 to go on, 0 when the user quit.
int run_start_seek(SDL_Window* window, double start_seconds);

// The seek with its simulation step and loader drawing passed in, so the
// stepping can be checked and timed apart from the graph and from GL.
typedef void (*LoaderDraw)(SDL_Window* window, double done, double total);
typedef double (*WallClock)();  // monotonic seconds
int run_start_seek_with(SDL_Window* window, double start_seconds, SeekStep step, LoaderDraw draw,
                        WallClock clock);
