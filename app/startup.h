// SDL and OpenGL start-up and shutdown of the one full-screen window.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>

struct AppWindow {
    SDL_Window* window;
    SDL_GLContext context;
    SDL_Cursor* blank_cursor;  // may be null: the run goes on without it
};

// Starts SDL, opens the 1920x1080 full-screen OpenGL 2.1 window, hides the
// cursor and fixes the GL state. Offline renders on a machine without a
// display use SDL's offscreen driver. Writes the failure message and
// returns 0 when the program must exit with status 1.
int start_window(AppWindow& app, bool offline);
// Starts SDL without a window, for offline frames drawn by our own
// rasteriser: no display, video driver or OpenGL is needed. Writes the
// failure message and returns 0 when the program must exit with status 1.
int start_without_window(AppWindow& app);
// A seed from the clock (time and performance counter), 0..9999: the
// default seed and the reseed key's.
uint64_t seed_from_clock();

// The last steps of every shutdown: cursor, GL context, window, SDL.
void close_window(AppWindow& app);
