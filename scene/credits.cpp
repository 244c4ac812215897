#include "scene/credits.h"

#include "render/font.h"
#include "render/primitives.h"
#include "render/screen.h"
#include "scene/circle_schedule.h"


Colour ending_marker_colour(float e) {
    if ((e >= 2.0f && e < 2.5f) || (e >= 8.0f && e < 8.5f)) return ending_red;
    if (e >= 6.0f && e < 6.5f) return ending_green;
    return ending_blue;
}

float ending_marker_x(float e) {
    return (e / 12.0f) * 960.0f + 480.0f;
}

void draw_credit_lines(double t) {
    switch (credit_window(t)) {
        case 1:
            centered_credit_text("music:ruvandel", 505.0f);
            centered_credit_text("design:olbek", 569.0f);
            break;
        case 2:
            centered_credit_text("tlm-00413:ostrel", 537.0f);
            break;
        default:
            break;
    }
}

static void draw_stripe(Colour c, float y) {
    set_colour(c);
    rect(0.0f, y, screen_width_f, 4.0f);
}

void draw_ending(double l) {
    if (l >= ending_black) return;
    float e = (float)(l - ending_start);
    float mx = ending_marker_x(e);
    draw_stripe(ending_green, 518.0f);
    draw_stripe(ending_blue, 538.0f);
    draw_stripe(ending_red, 558.0f);
    Colour c = ending_marker_colour(e);
    set_colour(c);
    rect(mx - 6.75f, 533.25f, 13.5f, 13.5f);
}
