#include "timeline/skipped_timeline.h"

#include "render/draw.h"
#include "render/font.h"
#include "render/primitives.h"

SkippedTimeline begin_skipped_timeline(double start_seconds) {
    return SkippedTimeline{0.0, start_seconds < circle_phase_start ? start_seconds : circle_phase_start};
}

bool skipped_timeline_done(const SkippedTimeline& seek) {
    return !(seek.t < seek.target);
}

double step_skipped_timeline(SkippedTimeline& seek, SeekStep step) {
    double t_next = seek.t + seek_step_seconds;
    if (t_next > seek.target) t_next = seek.target;
    float dt = (float)(t_next - seek.t);
    step(seek.t, dt);
    seek.t = t_next;
    return t_next;
}

void draw_start_loader_picture(double done, double total) {
    float fraction = 1.0f;
    if (total > 0.0) {
        fraction = (float)(done / total);
        if (fraction < 0.0f) fraction = 0.0f;
        if (fraction > 1.0f) fraction = 1.0f;
    }
    clear_frame_to_black();
    set_colour(white_colour);
    centered_credit_text("seeking start point", 508.0f);
    centered_credit_text("building skipped timeline", 532.0f);
    rect(700.0f, 566.0f, 520.0f, 2.0f);
    rect(700.0f, 578.0f, fraction * 520.0f, 4.0f);
}
