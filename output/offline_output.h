// Offline rendering: the lossless recording through an encoder process and
// the indexed PNG frame export, driven once per frame by the frame loop.
#pragma once

#include "app/launch_options.h"

#include <cstdint>
#include <cstdio>

struct Recorder {
    FILE* pipe;
    unsigned char* frame;
    int64_t frames_written;
    int64_t total_frames;
};

struct Exporter {
    unsigned char* rgb;
    unsigned char* indexed;
    unsigned char* lookup;
    unsigned char palette[256][3];
    int32_t palette_count;
    int64_t frame_index;
    int64_t frame_count;
    char directory[1024];
};

struct OfflineOutput {
    bool recording;
    bool exporting;
    double duration;  // song time at which the render closes
    Recorder recorder;
    Exporter exporter;
};

int safe_output_name(const char* name);

// Measures the track and sets up the requested outputs, writing the
// messages. 1 on success; 0 means the program must exit with status 1.
int setup_offline_output(OfflineOutput& out, const LaunchOptions& options);
// Frames that count for the frame clock (recorded, else exported).
int64_t offline_frames_done(const OfflineOutput& out);
// Reads the finished back buffer and writes it to the outputs. Returns true
// when the loop must end after this frame.
bool write_offline_frame(OfflineOutput& out);
// Closes the encoder and frees the buffers; returns the exit status.
int finish_offline_output(OfflineOutput& out);
