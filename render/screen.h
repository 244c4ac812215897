// The fixed picture every frame is drawn into: 1920x1080 pixels, origin
// top-left, y down.
#pragma once

#include <cstddef>

const int screen_width = 1920;
const int screen_height = 1080;
const float screen_width_f = 1920.0f;
const float screen_height_f = 1080.0f;
const float screen_centre_x = 960.0f;
const float screen_centre_y = 540.0f;
const size_t screen_pixels = (size_t)screen_width * screen_height;  // 2,073,600
