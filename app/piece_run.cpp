#include "app/piece_run.h"

#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "render/draw.h"

void begin_piece_run(PieceRun& run, uint64_t seed, double start_seconds, int64_t run_frames, double duration) {
    run.duration = duration;
    run.run_frames = run_frames;
    layout_seed = seed;
    build_startup_layout();
    run.frame = begin_piece_frames(start_seconds);
    // A start at or past the end leaves only the closing blackout, which
    // the graph does not reach: no seek is run for it.
    run.seek = begin_skipped_timeline(start_seconds > 0.0 && start_seconds < duration ? start_seconds : 0.0);
    run.frames_done = 0;
    use_draw_backend(DrawBackend::raster);
}

bool step_piece_run_seek(PieceRun& run, int max_steps) {
    for (int i = 0; i < max_steps && !skipped_timeline_done(run.seek); i++) {
        step_skipped_timeline(run.seek, run_simulation_step);
    }
    draw_start_loader_picture(run.seek.t, run.seek.target);
    return skipped_timeline_done(run.seek);
}

bool piece_run_running(const PieceRun& run) { return run.frames_done < run.run_frames && run.frame.running; }

bool step_piece_run_frame(PieceRun& run, bool drawn) {
    if (!piece_run_running(run)) return false;
    set_offline_frame_clock(run.frame, run.frames_done);
    const FrameEnding ending = {true, run.duration, false};
    play_piece_frame(run.frame, ending, drawn);
    run.frames_done++;
    return true;
}
