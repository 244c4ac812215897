#include "app/overlay.h"

#include "graph/graph_drawing.h"
#include "render/font.h"
#include "render/primitives.h"
#include "render/screen.h"
#include "timeline/timeline.h"

#include <cstdio>
#include <cstring>

namespace {

void make_bar_colour_current(int bar) {
    if (bar <= 20) {
        set_colour(white_colour);
    } else if (bar <= 22) {
        set_colour(red_colour);
    } else if (bar == 23) {
        set_colour(green_colour);
    } else {
        set_colour(blue_colour);
    }
}

}  // namespace

void draw_title_card(double t) {
    if (!(t >= title_card_start && t < title_card_end)) return;
    set_colour(black_colour);
    rect(797.0f, 468.0f, 374.0f, 94.0f);
    make_bar_colour_current(bar_number(t));
    text("ostrel", 809.0f, 480.0f, 10.0f);
    draw_centre_square(t);
}

void draw_hud(double t, uint64_t seed) {
    char seed_text[32];
    std::snprintf(seed_text, sizeof seed_text, "%04lu", (unsigned long)seed);
    float w = (float)(std::strlen(seed_text) * 6.0 - 1.0);
    set_colour(white_colour);
    text(seed_text, screen_width_f - w - 8.0f, 1065.0f, 1.0f);

    char bar_text[32];
    std::snprintf(bar_text, sizeof bar_text, "%03d:%d", bar_number(t), piece_bars);
    set_colour(white_colour);
    text(bar_text, 8.0f, 8.0f, 1.0f);
}
