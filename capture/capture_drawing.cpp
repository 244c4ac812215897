#include "capture/capture_drawing.h"

// TODO(capture drawing).
void set_capture_color(int, int) {}
void draw_capture(double, int, int) {}
void draw_capture_layer(double) {}
