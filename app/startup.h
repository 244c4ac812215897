// SDL and OpenGL start-up and shutdown of the one full-screen window.
#pragma once

#include <SDL2/SDL.h>

#include <cstdint>

struct AppWindow {
    SDL_Window* window;
    SDL_GLContext context;
    SDL_Cursor* blank_cursor;  // may be null: the run goes on without it
    bool windowed;             // a desktop window, not full screen: the cursor shows
};

// How the live picture is shown: full screen on a monitor, or in a window.
struct WindowRequest {
    bool windowed;
    int display;  // numbered from 0, as SDL numbers them
};

const int window_default_width = 1280;
const int window_default_height = 720;

// Starts SDL, opens the OpenGL 2.1 window and fixes the GL state. Live:
// full screen in the desktop's own mode (or a resizable window) on the
// monitor asked for, the picture drawn offscreen and scaled to fit; the
// cursor hidden in full screen. Offline (--renderer gl): a fixed 1920x1080
// window read back directly, through SDL's offscreen driver where there is
// no display. Writes the failure message and returns 0 when the program
// must exit with status 1.
int start_window(AppWindow& app, bool offline, WindowRequest request);
// F: full screen becomes a window and back.
void toggle_full_screen(AppWindow& app);
// Starts SDL without a window, for offline frames drawn by our own
// rasteriser: no display, video driver or OpenGL is needed. Writes the
// failure message and returns 0 when the program must exit with status 1.
int start_without_window(AppWindow& app);
// A seed from the clock (time and performance counter), 0..9999: the
// default seed and the reseed key's.
uint64_t seed_from_clock();

// The last steps of every shutdown: cursor, GL context, window, SDL.
void close_window(AppWindow& app);
