// Node motion: the swirl from graph time 20, the survivor dance and the
// reversal of the dead nodes' swirl.
#pragma once

void update_nodes(float dt, double t);
