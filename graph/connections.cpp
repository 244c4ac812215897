#include "graph/connections.h"

// TODO(graph): growth and highlights.
void update_connections(float, float, double) {}
int rebuild_node_highlights(int) { return 0; }
bool connection_is_blue(double, int, int) { return false; }
