#include "render/screen.h"
#include "scene/circle_phase.h"

#include "graph/graph_state.h"
#include "render/primitives.h"
#include "scene/circle_schedule.h"
#include "scene/credits.h"
#include "scene/tree_animation.h"
#include "scene/tree_drawing.h"
#include "timeline/timeline.h"


// Per-frame scratch, overwritten on every call.
static TreeFrame scene_frame;
static TreeAnimation scene_animation;

void draw_circle_phase(double t) {
    if (!prepare_tree_frame(t, layout_seed, &scene_frame)) {
        draw_ending(t - circle_phase_start);
        return;
    }
    animate_tree(scene_frame, &scene_animation);
    if (scene_frame.kind == bracket_layout) draw_bracket_links(scene_frame, scene_animation);
    else draw_tree_connectors(scene_frame, scene_animation);
    draw_tree_boxes(scene_frame, scene_animation);
    set_colour(white_colour);
    draw_credit_lines(t);
}
