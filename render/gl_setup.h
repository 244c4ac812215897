// The fixed OpenGL state every drawing relies on: a 1920x1080 pixel space
// with the origin top-left, nothing blended, smoothed or depth-tested.
#pragma once

#include "render/screen.h"

void apply_gl_state();
