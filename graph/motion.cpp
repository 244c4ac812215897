#include "graph/motion.h"

// TODO(graph): swirl and dance.
void update_nodes(float, double) {}
