// The capture layer of the first 32 bars: travelling squares, right-angled
// paths, retracting paths of dead nodes, ghost and node squares.
#pragma once

void set_capture_color(int from, int to);
void draw_capture(double now, int from, int to);
void draw_capture_layer(double t);
