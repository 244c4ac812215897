// One step of the graph simulation at song time t with a song-time step dt,
// shared by the frame loop and the start seek. Only call it for
// t < circle_phase_start.
#pragma once

void run_simulation_step(double t, float dt);
