// The command line, parsed into launch options by a pure function of argv.
#pragma once

#include <cstdint>

// Latest start point honoured; anything later (up to infinity) behaves the
// same, "after the end", without overflowing the arithmetic built on it.
const double max_start_seconds = 1.0e6;

// What the parser ignored, or read otherwise than it is written, so that
// the user can be told.
enum class IgnoredKind {
    unknown_option,    // an argument starting with "-" that is no option
    value_like_option, // an option's value left out because it starts with "-"
    record_not_first,  // "--record" after the first argument: no recording
    not_a_number,      // a start or seed that is no number: read as 0
    negative_start,    // a start below 0: read as 0
    number_prefix,     // only the number at the start of the value was read
    negative_seed,     // a seed written with "-": it wraps around, as strtoul reads it
    seed_too_large,    // a seed past 18446744073709551615: read as that number
    hexadecimal_start, // a start written as a hexadecimal number
    record_again,      // "--record" after the first argument while the first records
};

struct IgnoredArgument {
    IgnoredKind kind;
    const char* argument;  // points into argv
    const char* option;    // the option it belongs to, or null (a bare seed);
                           // record_again: the recording this run makes
    double read_as;        // the number taken (not_a_number, number_prefix)
};

const int max_ignored_arguments = 16;

struct LaunchOptions {
    bool record;
    const char* record_path;  // points into argv or at the default literal
    bool export_png;
    const char* export_dir;
    double start_seconds;  // never negative, never NaN, at most max_start_seconds
    bool seed_given;
    uint64_t seed;  // 0..9999, meaningful when seed_given
    bool show_help;
    bool show_version;
    bool show_run_info;  // --run-info: describe the offline run and exit
    bool renderer_gl;    // --renderer gl: offline frames drawn by OpenGL and read back
    bool windowed;       // --window: real time in a resizable window, not full screen
    int display;         // --display N: the monitor, numbered from 0 (default 0)
    const char* display_text;  // the --display value when it is no whole number
    const char* renderer_text;  // the --renderer value when it is neither "gl" nor "cpu"
    bool frames_given;      // --frames was on the command line
    bool frames_valid;      // and its value was FIRST-LAST, whole numbers, 1 <= FIRST <= LAST
    const char* frames_text;  // the value as given (null when it was missing)
    int64_t first_frame;
    int64_t last_frame;
    int ignored_count;  // all of them; the first max_ignored_arguments are kept
    IgnoredArgument ignored[max_ignored_arguments];
};

LaunchOptions parse_launch_options(int argc, const char* const* argv);

// "FIRST-LAST": two whole decimal numbers, 1 <= FIRST <= LAST, nothing
// else. 1 with the numbers set, 0 for anything else.
int parse_frame_range(const char* text, int64_t* first, int64_t* last);

// Why a number was read otherwise than it is written, e.g. "it is not a
// number" (the kinds from not_a_number to hexadecimal_start); null for the
// others.
const char* misreading_reason(IgnoredKind kind);

// One line for an ignored argument, e.g. 'Ignoring unknown option "--strat".'
void format_ignored_argument(char* out, unsigned long size, const IgnoredArgument& ignored);

// The usage text for --help, and the version for --version.
const char* usage_text();
const char* version_text();
