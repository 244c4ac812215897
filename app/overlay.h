// Text drawn last in a frame: the title card of bars 18 to 24 and the
// head-up seed and bar counter.
#pragma once

#include <cstdint>

void draw_title_card(double t);
void draw_hud(double t, uint64_t seed);
