// The five drawing primitives every picture is made of, drawn through the
// drawing seam. All coordinates are screen pixels (origin top-left, y down)
// and are snapped to whole pixels so shapes land on the same pixels in
// every frame and every output.
#pragma once

#include "render/draw.h"

// floor(v + 0.5) in double, back to single precision: halves go upward.
float snap(float v);

// Filled axis-aligned rectangle; x, y, w and h are each snapped on their own.
void rect(float x, float y, float w, float h);
// Square outline of side 1.5 * size, 4-pixel stroke, centred on (cx, cy);
// a filled square when the side is 8 pixels or less.
void hollow_rect(float cx, float cy, float size);
// The outline over a black interior; leaves (r, g, b, 1) as current colour.
void opaque_hollow_rect(float cx, float cy, float size, float r, float g, float b);
// Filled w x h rectangle centred on (cx, cy), turned by angle radians.
void rotated_rect(float cx, float cy, float w, float h, float angle);
// Two vertices of a segment shortened by trim at its far end, inside a
// begin_lines block opened by the caller; nothing when the segment is too
// short.
void capture_line(float x0, float y0, float x1, float y1, float trim);
