// Offline rendering: the lossless recording through an encoder process and
// the indexed PNG frame export, driven once per frame by the frame loop.
#pragma once

#include "app/launch_options.h"
#include "output/exporter.h"
#include "output/progress.h"
#include "output/recorder.h"

#include <cstdint>

struct OfflineOutput {
    bool recording;
    bool exporting;
    double duration;          // song time at which the render closes
    int64_t rendered_frames;  // frames this run will render (the progress total)
    Recorder recorder;
    Exporter exporter;
    bool short_write;    // the encoder stopped reading before the end
    bool export_failed;  // a PNG frame could not be written
    Progress progress;
};

// Measures the track and sets up the requested outputs, writing the
// messages. 1 on success; 0 means the program must exit with status 1.
// Every name is checked before anything is created or started.
int setup_offline_output(OfflineOutput& out, const LaunchOptions& options);
// Frames that count for the frame clock (recorded, else exported).
int64_t offline_frames_done(const OfflineOutput& out);
// Reads the finished back buffer and writes it to the outputs. Returns true
// when the loop must end after this frame.
bool write_offline_frame(OfflineOutput& out);
// Closes the encoder, waits for the last PNG files and frees the buffers;
// returns the exit status: 1 if the encoder failed or stopped reading
// early, or a PNG frame could not be written; else 0.
int finish_offline_output(OfflineOutput& out);
