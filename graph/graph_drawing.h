// The graph scene of song times below bar 96, drawn in its layer order over
// a cleared frame: particles, ghosts, the capture layer or the blue-phase
// connections and nodes, the revival, the ring and the centre square.
#pragma once

void draw_graph_scene(double t);

// Radius in pixels of the blue wave that spreads from the screen centre at
// 140 pixels per second from the end of bar 32 (negative before it).
float blue_wave_radius(double t);

// Width of the white line that shrinks across the centre during the first
// beat of the piece: 1920 pixels at t = 0, nothing from the first beat on.
float intro_sweep_width(double t);

