#include "graph/lifecycle.h"

// TODO(graph): lifecycle and ghosts.
void update_lifecycle(double) {}
void update_ghosts(float) {}
