// The whole run after the command line is parsed: window, seed and layout,
// the start seek, the output set-up, the frame loop and the shutdown.
#pragma once

#include "app/launch_options.h"
#include "output/offline_output.h"

// Runs the piece as the options ask: in real time, or offline when an
// output is asked for or inspection is not null (then only the inspected
// frames are drawn). Returns the exit status.
int run_piece(const LaunchOptions& options, const FrameInspection* inspection);

// --run-info: runs every check of the offline run the options describe
// (the track, a range, the names, folders and the encoder, with their
// messages) and writes to standard output, one "name value" per line:
// "frames" (the frames it renders), "first_frame" and "last_frame" (their
// numbers in the whole run), "seed" and "seed_given" (0: the seed is the
// clock's, new on every run), "record" and "export" (the outputs, when
// asked for), and where the recording places the track ("audio_delay",
// "audio_start", "cut", in seconds). Opens no window and creates nothing.
// Returns the exit status.
int print_run_info(const LaunchOptions& options);
