#include "scene/circle_phase.h"

#include <GL/gl.h>

// TODO(scene): the tree scene.
void draw_circle_phase(double) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}
