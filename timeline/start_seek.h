// Starting part-way: the skipped graph timeline is simulated in 1/60 s
// steps behind a loader screen.
#pragma once

#include <SDL2/SDL.h>

// Draws one loader frame (captions, track, progress bar) and swaps.
void draw_start_loader(SDL_Window* window, double done, double total);
// Runs the seek to start_seconds. Returns 1 to go on, 0 when the user quit.
int run_start_seek(SDL_Window* window, double start_seconds);
