#include "app/frame_loop.h"
#include "app/launch_options.h"
#include "app/startup.h"
#include "graph/graph_state.h"
#include "output/offline_output.h"
#include "timeline/start_seek.h"

#include <cstdio>
#include <ctime>

int main(int argc, char** argv) {
    LaunchOptions options = parse_launch_options(argc, argv);
    if (options.show_help) {
        std::fputs(usage_text(), stdout);
        return 0;
    }
    const bool offline = options.record || options.export_png;

    AppWindow app;
    if (!start_window(app, offline)) return 1;

    if (options.seed_given) {
        layout_seed = options.seed;
    } else {
        layout_seed = (uint64_t)std::time(nullptr) ^ (uint64_t)SDL_GetPerformanceCounter();
    }
    layout_seed = layout_seed % 10000u;
    build_startup_layout();

    if (options.start_seconds > 0.0 && !run_start_seek(app.window, options.start_seconds)) {
        close_window(app);  // the user quit during the seek
        return 0;
    }

    static OfflineOutput output;
    if (offline && !setup_offline_output(output, options)) return 1;
    return run_frame_loop(app, options, offline ? &output : nullptr);
}
