#include "graph/red_particles.h"

// TODO(graph): emission and motion.
void emit_red_particle(float, float) {}
void update_red_particles(float, double) {}
