// The drawing passes of the tree scene: connectors (grown trees) or elbows
// (bracket), then the boxes.
#pragma once

#include "scene/circle_schedule.h"
#include "scene/tree_animation.h"
#include "scene/tree_layout.h"

// How far a box has popped in (0 before it appears).
float growth_value(const TreeNode& node, float age);
// How far a connector has reached out from its parent's edge.
float reach_value(float age);
// The screen rectangle kept clear for the credit lines (bounds exclusive).
bool in_text_hole(float x, float y);

void draw_tree_connectors(const TreeFrame& frame, const TreeAnimation& anim);
void draw_bracket_links(const TreeFrame& frame, const TreeAnimation& anim);
void draw_tree_boxes(const TreeFrame& frame, const TreeAnimation& anim);
