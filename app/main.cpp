#include "app/launch_options.h"
#include "app/program.h"

#include <cstdio>

int main(int argc, char** argv) {
    LaunchOptions options = parse_launch_options(argc, argv);
    if (options.show_help) {
        std::fputs(usage_text(), stdout);
        return 0;
    }
    if (options.frames_given && !options.frames_valid) {
        std::fprintf(stderr, "Bad frame range \"%s\": give --frames FIRST-LAST, whole numbers with 1 <= FIRST <= LAST.\n",
                     options.frames_text != nullptr ? options.frames_text : "");
        return 1;
    }
    if (options.frames_given && !options.record && !options.export_png) {
        std::fputs("--frames needs --record or --export-png-frames: it renders part of an offline run.\n", stderr);
        return 1;
    }
    if (options.show_run_info) return print_run_info(options.start_seconds);
    return run_piece(options, nullptr);
}
