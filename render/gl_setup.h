// The fixed OpenGL state every drawing relies on: a 1920x1080 pixel space
// with the origin top-left, nothing blended, smoothed or depth-tested.
#pragma once

#include "render/screen.h"

void apply_gl_state();

// Waits until OpenGL has drawn everything asked of it.
void finish_gl_frame();
// Reads the finished back buffer: RGB, bottom row first.
void read_gl_frame(unsigned char* rgb);
