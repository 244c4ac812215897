// Showing the picture live on any display: the piece is drawn at 1920x1080
// into an offscreen framebuffer (with a depth buffer, as the window has
// one, so the driver draws exactly as it does into a window), and each frame
// is shown in the largest 16:9 rectangle that fits the window's drawable
// (HiDPI-aware), centred, with black bars: an exact block of screen pixels
// per picture pixel at a whole-number factor, smoothed otherwise. A drawable
// of exactly 1920x1080 is drawn into directly.
#pragma once

#include <SDL2/SDL.h>

// The rectangle of the drawable that shows the picture.
struct PictureRect {
    int x, y, width, height;
    bool whole_factor;  // width and height are whole multiples of the picture's
};

// The largest 16:9 rectangle that fits a drawable of width x height, centred.
PictureRect fit_picture(int width, int height);

// Makes the offscreen picture and draws into it from now on. 0 (after a
// one-line warning) when the driver cannot make it: drawing then goes
// straight to the window, as a fixed 1920x1080 picture.
int start_offscreen_picture();
// Shows the finished frame: scaled into the window when drawn offscreen,
// then the buffer swap.
void present_frame(SDL_Window* window);
// Deletes the offscreen picture (before the GL context goes).
void stop_offscreen_picture();
