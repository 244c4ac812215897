// The credit lines over the frozen tree and the ending from bar 128:
// three stripes and a sliding marker, then black from bar 135.
#pragma once

#include "render/colour.h"

const Colour ending_green = {0.18f, 1.0f, 0.0f};
const Colour ending_blue = {0.0f, 0.0f, 1.0f};
const Colour ending_red = {1.0f, 0.12f, 0.0f};

// Colour of the marker e seconds after bar 128.
Colour ending_marker_colour(float e);
// Marker centre x, e seconds after bar 128: 480 at bar 128, 1440 at bar 135.
float ending_marker_x(float e);

// The white credit lines of the window t lies in, if any (colour set by caller).
void draw_credit_lines(double t);
// The whole ending frame for local time l (from bar 128 on), onto a frame
// cleared to black; from bar 135 it is that black frame.
void draw_ending(double l);
