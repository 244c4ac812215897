// A whole run of the piece numbered as an offline run numbers its frames,
// stepped by whoever drives it at its own pace: the browser page (frames
// on its audio clock) and the frame checker (tools/check_frames.cpp). The
// seed's layout, the start seek and every frame are stepped exactly as an
// offline run steps them, so frame N here is frame N of that run. Drawn
// by our rasteriser; platform-free.
#pragma once

#include "app/piece_frame.h"
#include "timeline/skipped_timeline.h"

#include <cstdint>

struct PieceRun {
    PieceFrame frame;
    SkippedTimeline seek;
    double duration;      // song time at which the run closes
    int64_t frames_done;  // frames stepped; the last one's number
    int64_t run_frames;   // the offline run's frame count
};

// Lays out seed and prepares the seek to start_seconds and the frames.
void begin_piece_run(PieceRun& run, uint64_t seed, double start_seconds, int64_t run_frames, double duration);
// Up to max_steps steps of the start seek, then its loader picture. True
// once the seek is done (at once when the run starts at 0).
bool step_piece_run_seek(PieceRun& run, int max_steps);
// True while frames remain to be stepped.
bool piece_run_running(const PieceRun& run);
// The next frame, drawn or only stepped (the frames after it are the same
// either way). False when the run had already ended: nothing is stepped.
bool step_piece_run_frame(PieceRun& run, bool drawn);
