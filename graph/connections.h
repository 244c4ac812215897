// Connection growth and the red/green highlight economy.
#pragma once

void update_connections(float dt, float pulse, double t);
int rebuild_node_highlights(int n);
bool connection_is_blue(double t, int a, int b);
