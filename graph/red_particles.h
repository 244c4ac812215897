// The 384-slot cyclic pool of red particles bled by the survivor and the
// dead nodes.
#pragma once

void emit_red_particle(float x, float y);
void update_red_particles(float dt, double t);
