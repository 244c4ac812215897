#include "app/program.h"

#include "app/frame_loop.h"
#include "app/startup.h"
#include "graph/graph_state.h"
#include "timeline/start_seek.h"

static RenderRequest render_request_for(const LaunchOptions& options, const FrameInspection* inspection) {
    RenderRequest request = {};
    request.record_path = options.record ? options.record_path : nullptr;
    request.export_dir = options.export_png ? options.export_dir : nullptr;
    request.start_seconds = options.start_seconds;
    if (options.frames_given) {
        request.first_frame = options.first_frame;
        request.last_frame = options.last_frame;
    }
    request.inspection = inspection;
    return request;
}

int run_piece(const LaunchOptions& options, const FrameInspection* inspection) {
    const bool offline = options.record || options.export_png || inspection != nullptr;

    AppWindow app;
    if (!start_window(app, offline)) return 1;

    layout_seed = (options.seed_given ? options.seed : seed_from_clock()) % 10000u;
    build_startup_layout();

    if (options.start_seconds > 0.0 && !run_start_seek(app.window, options.start_seconds)) {
        close_window(app);  // the user quit during the seek
        return 0;
    }

    static OfflineOutput output;
    if (offline && !setup_offline_output(output, render_request_for(options, inspection))) return 1;
    return run_frame_loop(app, options.start_seconds, offline ? &output : nullptr);
}
