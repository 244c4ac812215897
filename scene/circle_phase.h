// Everything drawn from bar 96 on: the tree scene, credits and ending, a
// pure function of song time and layout_seed.
#pragma once

void draw_circle_phase(double t);
