// The whole run after the command line is parsed: window, seed and layout,
// the start seek, the output set-up, the frame loop and the shutdown.
#pragma once

#include "app/launch_options.h"
#include "output/offline_output.h"

// Runs the piece as the options ask: in real time, or offline when an
// output is asked for or inspection is not null (then only the inspected
// frames are drawn). Returns the exit status.
int run_piece(const LaunchOptions& options, const FrameInspection* inspection);

// --run-info: writes to standard output, one "name value" per line, the
// frames of the whole offline run from start_seconds ("frames"), and where a
// whole-run recording places the track ("audio_delay", "audio_start",
// "cut", in seconds). Opens no window and creates nothing. Exit status.
int print_run_info(double start_seconds);
