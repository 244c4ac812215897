// Connection growth and the red/green highlight economy.
#pragma once

// graph_time: the graph clock, half of song time; pulse: its beat pulse.
void update_connections(float dt, float pulse, double graph_time);
int rebuild_node_highlights(int n);
bool connection_is_blue(double t, int a, int b);

// Radius in pixels of the blue wave that spreads from the screen centre at
// 140 pixels per second from the end of bar 32 (negative before it).
float blue_wave_radius(double t);
