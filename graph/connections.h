// Connection growth and the red/green highlight economy.
#pragma once

void update_connections(float dt, float pulse, double t);
int rebuild_node_highlights(int n);
bool connection_is_blue(double t, int a, int b);

// Radius in pixels of the blue wave that spreads from the screen centre at
// 140 pixels per second from the end of bar 32 (negative before it).
float blue_wave_radius(double t);
