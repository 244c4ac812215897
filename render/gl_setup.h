// The fixed OpenGL state every drawing relies on: a 1920x1080 pixel space
// with the origin top-left, nothing blended, smoothed or depth-tested.
#pragma once

const int screen_width = 1920;
const int screen_height = 1080;

void apply_gl_state();
