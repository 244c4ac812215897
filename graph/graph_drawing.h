// The graph scene of song times below bar 96, drawn in its layer order over
// a cleared frame: particles, ghosts, the capture layer or the blue-phase
// connections and nodes, the revival, the ring and the centre square.
#pragma once

void draw_graph_scene(double t);

// The white square at the screen centre, black during the beat flash; the
// title card draws it once more over itself.
void draw_centre_square(double t);

