// The 384-slot cyclic pool of red particles bled by the survivor and the
// dead nodes; they spiral outward around the swirl centre and shrink away.
#pragma once

// Most particles the group bleed emits in one bar.
const int group_bleed_limit = 8;

// Fills the next slot (cyclically, whether or not it is still in use) with a
// particle near (x, y). Always five draws of the generator.
void emit_red_particle(float x, float y);
// One step: the survivor bleed, the group bleed, then the motion of every
// active particle. dt in graph seconds, t song time.
void update_red_particles(float dt, double t);
