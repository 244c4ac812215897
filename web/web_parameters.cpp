#include "web/web_parameters.h"

#include "app/launch_options.h"
#include "graph/graph_state.h"
#include "output/frame_totals.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A value is quoted up to 64 bytes, cut only at a whole UTF-8 character.
const int quoted_bytes = 64;
int quoted_length(const char* text) {
    int length = 0;
    while (length < quoted_bytes && text[length] != '\0') length++;
    if (text[length] == '\0') return length;
    // Past the cut lies a continuation byte: the character began before it.
    while (length > 0 && ((unsigned char)text[length] & 0xC0) == 0x80) length--;
    return length;
}

void add_message(WebParameters& out, const char* line) {
    const size_t used = std::strlen(out.messages);
    std::snprintf(out.messages + used, sizeof out.messages - used, "%s\n", line);
}

// The command line's warning about a value, named as the page's parameter.
void explain_reading(WebParameters& out, const IgnoredArgument& ignored) {
    const bool is_seed = ignored.option == nullptr || std::strcmp(ignored.option, "--seed") == 0;
    const char* name = is_seed ? "seed" : "start";
    char done[96];
    if (is_seed) {
        std::snprintf(done, sizeof done, "playing seed %04lu", (unsigned long)out.seed);
    } else {
        std::snprintf(done, sizeof done, "starting at %g s", out.start_seconds);
    }
    const char* why = misreading_reason(ignored.kind);
    char line[512];
    std::snprintf(line, sizeof line, "%s=%.*s: %s; %s.", name, quoted_length(ignored.argument), ignored.argument,
                  why != nullptr ? why : "", done);
    add_message(out, line);
}

// A still's frame: a whole decimal number of at most 15 digits.
bool read_frame_number(const char* text, int64_t* frame) {
    int64_t n = 0;
    int digits = 0;
    for (const char* p = text; *p != '\0'; p++) {
        if (*p < '0' || *p > '9' || ++digits > 15) return false;
        n = n * 10 + (*p - '0');
    }
    *frame = n;
    return digits > 0;
}

void read_still_frame(WebParameters& out, const char* frame) {
    out.still_frame = 0;
    if (frame == nullptr) return;
    int64_t n = 0;
    char line[512];
    if (!read_frame_number(frame, &n) || n < 1) {
        std::snprintf(line, sizeof line,
                      "frame=%.*s: give a whole number from 1 to %ld; playing the piece instead.",
                      quoted_length(frame), frame,
                      (long)out.run_frames);
    } else if (n > out.run_frames) {
        std::snprintf(line, sizeof line, "frame=%.*s: past the last frame of this run, %ld; playing the piece instead.",
                      quoted_length(frame), frame, (long)out.run_frames);
    } else {
        out.still_frame = n;
        return;
    }
    add_message(out, line);
}

}  // namespace

void read_web_parameters(WebParameters& out, const char* seed, const char* start, const char* frame,
                         uint64_t fresh_seed, double duration) {
    out = WebParameters{};
    // The parameters become the options they stand for, so they are read
    // by the command line's own parser.
    std::string seed_option = std::string("--seed=") + (seed != nullptr ? seed : "");
    std::string start_option = std::string("--start=") + (start != nullptr ? start : "");
    const char* argv[3] = {"ostrel", nullptr, nullptr};
    int argc = 1;
    if (seed != nullptr) argv[argc++] = seed_option.c_str();
    if (start != nullptr) argv[argc++] = start_option.c_str();
    const LaunchOptions options = parse_launch_options(argc, argv);

    out.seed_given = options.seed_given;
    out.seed = wrap_seed(options.seed_given ? options.seed : fresh_seed);
    out.start_seconds = options.start_seconds;
    for (int i = 0; i < options.ignored_count && i < max_ignored_arguments; i++) {
        explain_reading(out, options.ignored[i]);
    }
    if (out.start_seconds >= duration) {
        char line[256];
        std::snprintf(line, sizeof line, "start=%.*s: past the end of the piece (%g s); only its closing blackout is left.",
                      quoted_length(start), start, duration);
        add_message(out, line);
    }
    const int64_t total = offline_total_frames(offline_total_seconds(duration));
    out.run_frames = offline_rendered_frames(out.start_seconds, duration, total);
    read_still_frame(out, frame);
}
