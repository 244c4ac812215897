// The frame loop: clock, keys, music anchor, song time, the simulation
// step, the choice of what to draw, frame output, swap and pacing.
#pragma once

#include "app/startup.h"
#include "output/offline_output.h"

// Runs until the piece has ended or the user quit, then shuts everything
// down in order (encoder, export buffers, music, cursor, context, window,
// SDL). output is null in real-time mode. Returns the exit status.
int run_frame_loop(AppWindow& app, double start_seconds, OfflineOutput* output);

// The reseed of the R key: a fresh time-based seed and a rebuilt graph.
void reseed_from_clock();
