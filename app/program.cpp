#include "app/program.h"

#include "app/frame_loop.h"
#include "app/startup.h"
#include "graph/graph_state.h"
#include "output/stop_signals.h"
#include "render/draw.h"
#include "timeline/start_seek.h"

#include <cstdio>

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

// The seed given, or one drawn from the clock.
static uint64_t run_seed(const LaunchOptions& options) {
    return wrap_seed(options.seed_given ? options.seed : seed_from_clock());
}

int print_run_info(const LaunchOptions& options) {
    static OfflineOutput plan;
    if (!plan_offline_output(plan, render_request_for(options, nullptr))) return 1;
    const uint64_t seed = run_seed(options);
    std::printf("frames %ld\nfirst_frame %ld\nlast_frame %ld\nseed %lu\nseed_given %d\n", (long)plan.range_frames,
                (long)plan.first_frame, (long)(plan.first_frame + plan.range_frames - 1), (unsigned long)seed,
                options.seed_given ? 1 : 0);
    if (plan.recording) std::printf("record %s\n", plan.record_path);
    if (plan.exporting) std::printf("export %s\n", plan.export_dir);
    std::printf("track %s\n", plan.track_path);
    std::printf("audio_delay %.6f\naudio_start %.6f\ncut %.6f\n", plan.audio.delay_seconds,
                plan.audio.track_start_seconds, plan.audio.cut_seconds);
    return 0;
}

int run_piece(const LaunchOptions& options, const FrameInspection* inspection) {
    const bool offline = options.record || options.export_png || inspection != nullptr;

    // Offline frames come from our own rasteriser unless OpenGL is asked
    // for; real time always draws with OpenGL.
    const bool raster = offline && !options.renderer_gl;
    use_draw_backend(raster ? DrawBackend::raster : DrawBackend::gl);
    AppWindow app;
    const WindowRequest request = {options.windowed, options.display};
    if (!(raster ? start_without_window(app) : start_window(app, offline, request))) return 1;
    if (offline) catch_stop_signals();

    layout_seed = run_seed(options);
    build_startup_layout();

    // Names, the encoder, the track and the range are checked before the
    // seek, so a mistake is reported at once; nothing is created yet.
    static OfflineOutput output;
    if (offline && !plan_offline_output(output, render_request_for(options, inspection))) {
        close_window(app);
        return 1;
    }

    if (options.start_seconds > 0.0 && !run_start_seek(app.window, options.start_seconds)) {
        close_window(app);  // the user quit during the seek, or a signal stopped it
        return stop_exit_status();
    }

    if (offline && !start_offline_output(output)) {
        close_window(app);
        return 1;
    }
    return run_frame_loop(app, options.start_seconds, offline ? &output : nullptr);
}
