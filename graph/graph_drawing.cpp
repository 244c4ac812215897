#include "graph/graph_drawing.h"

// TODO(graph drawing): the layers.
void draw_graph_scene(double) {}
