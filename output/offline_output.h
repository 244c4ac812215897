// Offline rendering: the lossless recording through an encoder process and
// the indexed PNG frame export, driven once per frame by the frame loop.
// A run can render a range of its frames: the frames before the range are
// stepped through (the simulation runs) but not drawn, read or encoded.
#pragma once

#include "output/exporter.h"
#include "output/progress.h"
#include "output/recorder.h"

#include <cstdint>

// A look at chosen frames without any file: frames lists frame numbers in
// increasing order, and only those frames are drawn. inspect receives each
// one's pixels as read back (RGB) and its palette indexes, both with the
// bottom row first.
struct FrameInspection {
    const int64_t* frames;
    int frame_count;
    void (*inspect)(void* context, int64_t frame_number, const unsigned char* rgb, const unsigned char* indexed);
    void* context;
};

// What an offline run renders. Frame numbers count from 1, as the files of
// a whole run are numbered (frame 1 is the first lead-in frame).
struct RenderRequest {
    const char* record_path;  // null: no recording
    const char* export_dir;   // null: no PNG export
    double start_seconds;
    int64_t first_frame;  // 0: from the run's first frame
    int64_t last_frame;   // 0: to the run's last frame
    const FrameInspection* inspection;  // null: none
};

struct OfflineOutput {
    bool recording;
    bool exporting;
    bool planned;           // plan_offline_output succeeded
    bool whole_run;         // no range was asked for
    const char* record_path;
    const char* export_dir;
    const char* track_path;  // the music track found, which the encoder reads
    double duration;        // song time at which the render closes
    int64_t total_frames;   // the frame total both outputs announce for a whole run
    int64_t run_frames;     // frames the whole run renders before its end rule
    int64_t range_frames;   // frames this run renders
    AudioPlacement audio;
    int64_t first_frame;    // the range rendered, inclusive
    int64_t last_frame;
    int64_t frames_passed;  // frames of the run behind us, drawn or not
    const FrameInspection* inspection;
    int next_inspected;     // index into inspection->frames
    Recorder recorder;
    Exporter exporter;
    bool short_write;    // the encoder stopped reading before the end
    bool export_failed;  // a PNG frame could not be written
    Progress progress;
};

// Measures the track and checks the range, the names and the encoder,
// writing the messages; creates and starts nothing. 1 on success; 0 means
// the program must exit with status 1.
int plan_offline_output(OfflineOutput& out, const RenderRequest& request);
// Creates the directory and buffers and starts the encoder of a planned
// output. 1 on success; 0 (after its message) means exit status 1.
int start_offline_output(OfflineOutput& out);
// Both in one.
int setup_offline_output(OfflineOutput& out, const RenderRequest& request);
// Frames of the run behind us: the current frame's 0-based index, which
// sets the loop clock.
int64_t offline_frames_done(const OfflineOutput& out);
// True when the current frame is drawn and handed to the outputs.
bool offline_frame_wanted(const OfflineOutput& out);
// Reads the finished back buffer and writes it to the outputs when the
// frame is wanted, and counts the frame. Returns true when the loop must end
// after this frame.
bool write_offline_frame(OfflineOutput& out);
// Closes the encoder, waits for the last PNG files and frees the buffers.
// A complete recording (also one ended early on purpose) is moved to its
// name; a failed one is removed, leaving any earlier file of that name.
// After a whole export, frame files of a longer earlier run are reported.
// Returns the exit status: 1 if the encoder failed or stopped reading
// early, or a PNG frame could not be written; else 0.
int finish_offline_output(OfflineOutput& out);
