#include "app/launch_options.h"
#include "app/program.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

// A program started with standard input, output or error closed would hand
// those numbers to the first files it opens, and its messages would land in
// them: keep them taken. Returns true when standard output was closed.
static bool keep_standard_streams_open() {
    bool output_closed = false;
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) == -1) {
            output_closed = output_closed || fd == STDOUT_FILENO;
            int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
            if (opened >= 0 && opened != fd) close(opened);
        }
    }
    return output_closed;
}

static bool standard_output_closed = false;

// What was printed must have arrived: a closed standard output, a full
// device or a closed pipe is a failure, not a silent success.
static int finish_standard_output(int status) {
    if (standard_output_closed) {
        std::fputs("Could not write to standard output: it is closed.\n", stderr);
        return 1;
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "Could not write to standard output: %s\n", std::strerror(errno));
        return 1;
    }
    return status;
}

int main(int argc, char** argv) {
    standard_output_closed = keep_standard_streams_open();
    LaunchOptions options = parse_launch_options(argc, argv);
    if (options.show_help) {
        std::fputs(usage_text(), stdout);
        return finish_standard_output(0);
    }
    if (options.show_version) {
        std::fputs(version_text(), stdout);
        return finish_standard_output(0);
    }
    for (int i = 0; i < options.ignored_count && i < max_ignored_arguments; i++) {
        char line[512];
        format_ignored_argument(line, sizeof line, options.ignored[i]);
        std::fprintf(stderr, "%s\n", line);
    }
    if (options.ignored_count > max_ignored_arguments) {
        std::fprintf(stderr, "Ignoring %d more arguments.\n", options.ignored_count - max_ignored_arguments);
    }
    if (options.frames_given && !options.frames_valid) {
        std::fprintf(stderr, "Bad frame range \"%s\": give --frames FIRST-LAST, whole numbers with 1 <= FIRST <= LAST.\n",
                     options.frames_text != nullptr ? options.frames_text : "");
        return 1;
    }
    if (options.display_text != nullptr) {
        std::fprintf(stderr, "Bad display number \"%s\": give --display N, a whole number from 0.\n",
                     options.display_text);
        return 1;
    }
    if (options.renderer_text != nullptr) {
        std::fprintf(stderr, "Unknown renderer \"%s\": give --renderer cpu or --renderer gl.\n", options.renderer_text);
        return 1;
    }
    if (options.frames_given && !options.record && !options.export_png) {
        std::fputs("--frames needs --record or --export-png-frames: it renders part of an offline run.\n", stderr);
        return 1;
    }
    if (options.show_run_info) return finish_standard_output(print_run_info(options));
    return run_piece(options, nullptr);
}
