// The blue transition at bar 32, the cull down to one survivor and the
// revival wave.
#pragma once

void bake_blue_transition(double t);
void update_blue_cull(float dt, double t);
bool revival_all_blue(double t);
