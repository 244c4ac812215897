// Births and deaths during the first 32 bars, and the wearing away of ghosts.
#pragma once

void update_lifecycle(double t);
void update_ghosts(float dt);

// Whether the elbow of the pair a < b (through (x_b, y_a) for an even index
// sum, (x_a, y_b) for an odd one) touches the box of half-side h around
// (gx, gy).
bool elbow_crosses_box(int a, int b, float gx, float gy, float h);
