// The one colour type: red, green and blue in single precision, always
// drawn opaque.
#pragma once

struct Colour {
    float r, g, b;
};

const Colour white_colour = {1.0f, 1.0f, 1.0f};
const Colour black_colour = {0.0f, 0.0f, 0.0f};
const Colour red_colour = {1.0f, 0.0f, 0.0f};
const Colour green_colour = {0.0f, 1.0f, 0.0f};
const Colour blue_colour = {0.0f, 0.0f, 1.0f};
// Ghost outlines.
const float ghost_grey = 0.35f;
