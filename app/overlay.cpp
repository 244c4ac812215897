#include "app/overlay.h"

// TODO(overlay).
void draw_title_card(double) {}
void draw_hud(double, uint64_t) {}
