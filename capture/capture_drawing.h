// The capture layer of the first 32 bars: travelling squares, right-angled
// paths, retracting paths of dead nodes, ghost and node squares.
#pragma once

#include "render/colour.h"

// Highlight value 1 is red, 2 green, anything else white.
Colour highlight_colour(int value);

// The small filled square of a travelling head (or a node's lit centre):
// 10.5 pixels wide, centred on (px, py), in the current colour.
void draw_head_square(float px, float py);

// Makes the colour of the path from node `from` to node `to` current: the
// pair's highlight colour, white when from < 0 (node 0, from the centre).
void set_capture_color(int from, int to);

// The whole layer for song time t < 32 bars, in order: paths of live nodes,
// node 0's path, retracting paths of dead nodes, ghost and node squares.
void draw_capture_layer(double t);
