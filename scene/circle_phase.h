// Everything drawn from bar 96 on: the tree scene, credits and ending, a
// pure function of song time and layout_seed.
#pragma once

// Draws onto a frame cleared to black (the frame loop clears every frame;
// painting the black background again would only cost a full-screen fill).
void draw_circle_phase(double t);
