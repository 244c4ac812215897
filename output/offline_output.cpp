#include "output/offline_output.h"

// TODO(output).
int safe_output_name(const char*) { return 0; }
int setup_offline_output(OfflineOutput& out, const LaunchOptions& options) {
    out.recording = options.record;
    out.exporting = options.export_png;
    out.duration = 231.42857142857142;
    return 1;
}
int64_t offline_frames_done(const OfflineOutput& out) {
    return out.recording ? out.recorder.frames_written : out.exporter.frame_index;
}
bool write_offline_frame(OfflineOutput& out) {
    if (out.recording) out.recorder.frames_written++;
    else out.exporter.frame_index++;
    return false;
}
int finish_offline_output(OfflineOutput&) { return 0; }
