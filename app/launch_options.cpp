#include "app/launch_options.h"

#include "graph/graph_state.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char* const default_record_path = "ostrel-lossless.mkv";
static const char* const default_export_dir = "indexed-frames";

static bool looks_like_option(const char* arg) {
    return arg[0] == '-';
}

static void note_ignored(LaunchOptions& options, IgnoredKind kind, const char* argument, const char* option,
                         double read_as = 0.0) {
    if (options.ignored_count < max_ignored_arguments) {
        options.ignored[options.ignored_count] = IgnoredArgument{kind, argument, option, read_as};
    }
    options.ignored_count++;
}

// strtoull (64 bits wherever the program is built: the browser's wasm32
// has a 32-bit unsigned long), reduced to 0..9999; a value that is not
// wholly a number is still read that way, and the user is told.
static uint64_t parse_seed(LaunchOptions& options, const char* text, const char* option) {
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text, &end, 10);
    const bool too_large = errno == ERANGE;
    uint64_t seed = wrap_seed((uint64_t)number);
    const char* digits = text;
    while (std::isspace((unsigned char)*digits)) digits++;
    if (end == text) {
        note_ignored(options, IgnoredKind::not_a_number, text, option);
    } else if (too_large) {
        note_ignored(options, IgnoredKind::seed_too_large, text, option, (double)seed);
    } else if (*digits == '-') {
        note_ignored(options, IgnoredKind::negative_seed, text, option, (double)seed);
    } else if (*end != '\0') {
        note_ignored(options, IgnoredKind::number_prefix, text, option, (double)seed);
    }
    return seed;
}

// strtod; text that is no number (or NaN) and a negative start give 0.
static double parse_start(LaunchOptions& options, const char* text, const char* option) {
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (end == text || std::isnan(value)) {
        note_ignored(options, IgnoredKind::not_a_number, text, option);
        return 0.0;
    }
    if (value < 0.0) {
        note_ignored(options, IgnoredKind::negative_start, text, option);
        return 0.0;
    }
    if (value > max_start_seconds) value = max_start_seconds;
    const char* digits = text;
    while (std::isspace((unsigned char)*digits) || *digits == '+') digits++;
    if (*end != '\0') {
        note_ignored(options, IgnoredKind::number_prefix, text, option, value);
    } else if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        note_ignored(options, IgnoredKind::hexadecimal_start, text, option, value);
    }
    return value;
}

// A whole decimal number without sign or spaces, below 10^15; advances *p.
static int parse_frame_number(const char** p, int64_t* value) {
    const char* s = *p;
    int64_t n = 0;
    int digits = 0;
    while (*s >= '0' && *s <= '9') {
        if (++digits > 15) return 0;
        n = n * 10 + (*s - '0');
        s++;
    }
    if (digits == 0) return 0;
    *value = n;
    *p = s;
    return 1;
}

int parse_frame_range(const char* text, int64_t* first, int64_t* last) {
    if (text == nullptr) return 0;
    const char* p = text;
    int64_t a = 0, b = 0;
    if (!parse_frame_number(&p, &a) || *p != '-') return 0;
    p++;
    if (!parse_frame_number(&p, &b) || *p != '\0') return 0;
    if (a < 1 || b < a) return 0;
    *first = a;
    *last = b;
    return 1;
}

// True when arg is the option name alone or "name=value"; then *inline_value
// is the text after "=" (null for the name alone).
static bool match_option(const char* arg, const char* name, const char** inline_value) {
    size_t length = std::strlen(name);
    if (std::strncmp(arg, name, length) != 0) return false;
    if (arg[length] == '\0') {
        *inline_value = nullptr;
        return true;
    }
    if (arg[length] == '=') {
        *inline_value = arg + length + 1;
        return true;
    }
    return false;
}

static bool match_export_option(const char* arg, const char** inline_value) {
    return match_option(arg, "--export-indexed-png", inline_value) ||
           match_option(arg, "--export-png-frames", inline_value);
}

// First look: only the first argument can switch recording on.
static void read_first_argument(LaunchOptions& options, int argc, const char* const* argv) {
    const char* first = argv[1];
    const char* inline_value = nullptr;
    bool second_is_value = argc > 2 && !looks_like_option(argv[2]);
    if (match_option(first, "--record", &inline_value)) {
        options.record = true;
        options.record_path = inline_value != nullptr ? inline_value
                              : second_is_value       ? argv[2]
                                                      : default_record_path;
    } else if (match_export_option(first, &inline_value)) {
        options.export_png = true;
        options.export_dir = inline_value != nullptr ? inline_value
                             : second_is_value       ? argv[2]
                                                     : default_export_dir;
    }
}

// The scan reads one argument at a time; each reader returns how many
// arguments it consumed, 0 when a value is missing at the end (the scan
// stops there).

// --record at position i: its value is skipped; away from the front it is
// reported. A value that looks like an option is left to be read as one.
static int skip_record_option(LaunchOptions& options, int i, const char* arg, const char* inline_value,
                              const char* next, const char** reported) {
    if (i != 1) {
        // A later --record is never read; say whether this run records.
        if (options.record) {
            note_ignored(options, IgnoredKind::record_again, arg, options.record_path);
        } else {
            note_ignored(options, IgnoredKind::record_not_first, arg, nullptr);
        }
    }
    if (inline_value != nullptr) return 1;
    if (next == nullptr) return 0;
    if (!looks_like_option(next)) return 2;
    if (i == 1) note_ignored(options, IgnoredKind::value_like_option, next, "--record");
    *reported = next;
    return 1;
}

// --export-png-frames and its alias, anywhere; the last one names the folder.
static int read_export_option(LaunchOptions& options, const char* arg, const char* inline_value, const char* next,
                              const char** reported) {
    options.export_png = true;
    if (inline_value != nullptr) {
        options.export_dir = inline_value;
        return 1;
    }
    if (next != nullptr && !looks_like_option(next)) {
        options.export_dir = next;
        return 2;
    }
    if (options.export_dir == nullptr) options.export_dir = default_export_dir;
    if (next == nullptr) return 0;
    note_ignored(options, IgnoredKind::value_like_option, next, arg);
    *reported = next;
    return 1;
}

// The value of an option, given as --option=value or as the next argument
// (then taken whatever it is), and the arguments it takes up; null and 0
// when there is none.
struct OptionValue {
    const char* text;
    int consumed;
};

static OptionValue option_value(const char* inline_value, const char* next) {
    if (inline_value != nullptr) return OptionValue{inline_value, 1};
    if (next != nullptr) return OptionValue{next, 2};
    return OptionValue{nullptr, 0};
}

static void set_display(LaunchOptions& options, const char* text) {
    char* end = nullptr;
    long number = std::strtol(text, &end, 10);
    bool whole = end != text && *end == '\0' && text[0] >= '0' && text[0] <= '9' && number <= 1000;
    options.display = whole ? (int)number : 0;
    options.display_text = whole ? nullptr : text;
}

static void set_renderer(LaunchOptions& options, const char* text) {
    options.renderer_gl = std::strcmp(text, "gl") == 0;
    options.renderer_text = options.renderer_gl || std::strcmp(text, "cpu") == 0 ? nullptr : text;
}

// The options that take a value. Returns the arguments consumed, or -1 when
// arg is none of them.
static int read_valued_option(LaunchOptions& options, const char* arg, const char* next) {
    const char* inline_value = nullptr;
    if (match_option(arg, "--start", &inline_value) || match_option(arg, "--start-seconds", &inline_value)) {
        const char* option = std::strncmp(arg, "--start-seconds", 15) == 0 ? "--start-seconds" : "--start";
        OptionValue value = option_value(inline_value, next);
        if (value.text != nullptr) options.start_seconds = parse_start(options, value.text, option);
        return value.consumed;
    }
    if (match_option(arg, "--display", &inline_value)) {
        OptionValue value = option_value(inline_value, next);
        if (value.text != nullptr) set_display(options, value.text);
        return value.consumed;
    }
    if (match_option(arg, "--renderer", &inline_value)) {
        OptionValue value = option_value(inline_value, next);
        if (value.text != nullptr) set_renderer(options, value.text);
        return value.consumed;
    }
    if (match_option(arg, "--frames", &inline_value)) {
        // A later --frames replaces an earlier one; a missing value is a
        // bad range, not silence.
        OptionValue value = option_value(inline_value, next);
        options.frames_given = true;
        options.frames_text = value.text;
        options.frames_valid = parse_frame_range(value.text, &options.first_frame, &options.last_frame) == 1;
        return value.consumed;
    }
    if (match_option(arg, "--seed", &inline_value)) {
        OptionValue value = option_value(inline_value, next);
        if (value.text != nullptr) {
            options.seed = parse_seed(options, value.text, "--seed");
            options.seed_given = true;
        }
        return value.consumed;
    }
    return -1;
}

static int read_argument(LaunchOptions& options, int argc, const char* const* argv, int i, const char** reported) {
    const char* arg = argv[i];
    const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
    const char* inline_value = nullptr;
    if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
        options.show_help = true;
    } else if (std::strcmp(arg, "--version") == 0) {
        options.show_version = true;
    } else if (std::strcmp(arg, "--run-info") == 0) {
        options.show_run_info = true;
    } else if (std::strcmp(arg, "--window") == 0) {
        options.windowed = true;
    } else if (match_option(arg, "--record", &inline_value)) {
        return skip_record_option(options, i, arg, inline_value, next, reported);
    } else if (match_export_option(arg, &inline_value)) {
        return read_export_option(options, arg, inline_value, next, reported);
    } else if (int consumed = read_valued_option(options, arg, next); consumed >= 0) {
        return consumed;
    } else if (looks_like_option(arg)) {
        if (arg != *reported) note_ignored(options, IgnoredKind::unknown_option, arg, nullptr);
    } else if (!options.seed_given) {
        // The first bare argument is the seed; later ones are left alone.
        options.seed = parse_seed(options, arg, nullptr);
        options.seed_given = true;
    }
    return 1;
}

LaunchOptions parse_launch_options(int argc, const char* const* argv) {
    LaunchOptions options = {};
    if (argc < 2 || argv == nullptr) return options;
    read_first_argument(options, argc, argv);
    // Every argument, each option consuming its value. An argument already
    // reported as a left-out value is not reported again.
    const char* reported = nullptr;
    for (int i = 1; i < argc;) {
        int consumed = read_argument(options, argc, argv, i, &reported);
        if (consumed == 0) break;
        i += consumed;
    }
    return options;
}

const char* misreading_reason(IgnoredKind kind) {
    switch (kind) {
    case IgnoredKind::not_a_number: return "it is not a number";
    case IgnoredKind::negative_start: return "a start cannot be negative";
    case IgnoredKind::number_prefix: return "only the number at its start counts";
    case IgnoredKind::negative_seed: return "a seed cannot be negative, and this one wraps around";
    case IgnoredKind::seed_too_large: return "it is too large for a seed, so 18446744073709551615 was taken";
    case IgnoredKind::hexadecimal_start: return "it is written as a hexadecimal number";
    default: return nullptr;
    }
}

void format_ignored_argument(char* out, unsigned long size, const IgnoredArgument& ignored) {
    const char* reason = misreading_reason(ignored.kind);
    switch (ignored.kind) {
    case IgnoredKind::unknown_option:
        std::snprintf(out, size, "Ignoring unknown option \"%s\".", ignored.argument);
        break;
    case IgnoredKind::value_like_option:
        std::snprintf(out, size, "Ignoring \"%s\" as the value of %s: a value may not start with \"-\" (write %s=%s).",
                      ignored.argument, ignored.option, ignored.option, ignored.argument);
        break;
    case IgnoredKind::record_not_first:
        std::snprintf(out, size, "Ignoring \"%s\": it must be the first argument; this run does not record.",
                      ignored.argument);
        break;
    case IgnoredKind::record_again:
        std::snprintf(out, size, "Ignoring \"%s\": only the first --record counts; this run records to %s.",
                      ignored.argument, ignored.option);
        break;
    case IgnoredKind::not_a_number:
        if (ignored.option == nullptr) {
            std::snprintf(out, size, "Reading the seed \"%s\" as 0: %s.", ignored.argument, reason);
        } else if (looks_like_option(ignored.argument)) {
            std::snprintf(out, size, "Taking \"%s\" as the value of %s, which reads it as 0: %s.", ignored.argument,
                          ignored.option, reason);
        } else {
            std::snprintf(out, size, "Reading %s \"%s\" as 0: %s.", ignored.option, ignored.argument, reason);
        }
        break;
    case IgnoredKind::negative_start:
        std::snprintf(out, size, "Reading %s \"%s\" as 0: %s.", ignored.option, ignored.argument, reason);
        break;
    case IgnoredKind::number_prefix:
    case IgnoredKind::negative_seed:
    case IgnoredKind::seed_too_large:
    case IgnoredKind::hexadecimal_start:
        std::snprintf(out, size, "Reading %s \"%s\" as %g: %s.", ignored.option != nullptr ? ignored.option : "the seed",
                      ignored.argument, ignored.read_as, reason);
        break;
    }
}

const char* version_text() {
    return "ostrel " OSTREL_VERSION "\n";
}

const char* usage_text() {
    return "usage: ostrel [seed] [options]\n"
           "\n"
           "Without options the piece plays in real time, full screen, with music.\n"
           "\n"
           "  SEED, --seed N              layout seed (reduced to 0..9999; default: from the clock)\n"
           "  --start S, --start-seconds S  begin at song time S seconds\n"
           "  --record [FILE]             render offline to a lossless video (default\n"
           "                              ostrel-lossless.mkv); must be the first option;\n"
           "                              needs ffmpeg on the search path\n"
           "  --export-png-frames [DIR], --export-indexed-png [DIR]\n"
           "                              render offline to palette PNG frames (default\n"
           "                              indexed-frames)\n"
           "  --frames FIRST-LAST         with --record or PNG export: render only frames\n"
           "                              FIRST to LAST of that run, numbered as a whole\n"
           "                              run's files are (frame 1 is the first lead-in\n"
           "                              frame); they equal the whole run's frames\n"
           "  --window                    play in a resizable window (1280x720) instead of\n"
           "                              full screen; F switches between the two\n"
           "  --display N                 play on monitor N, numbered from 0\n"
           "  --renderer cpu|gl           how offline frames are drawn: cpu (the default), our\n"
           "                              own rasteriser, the same pixels on every machine and\n"
           "                              no display or OpenGL needed; gl, OpenGL and read-back\n"
           "  --run-info                  print the frame count, track and sound placement of\n"
           "                              the offline run the other options describe, and\n"
           "                              exit (used by ostrel-farm)\n"
           "  -h, --help                  show this text\n"
           "  --version                   show the version\n"
           "\n"
           "An option's value may also be written --option=value, which also takes\n"
           "values that start with \"-\".\n"
           "\n"
           "Keys: Escape quits, I toggles the seed and bar counter, R reseeds the graph,\n"
           "F switches between full screen and a window.\n"
           "\n"
           "The track, src/beat3-140bpm.mp3, is looked for under the working directory\n"
           "(offline) or beside the executable (real time) first; then beside the\n"
           "executable, and in ../share/ostrel/ from the executable's folder (installed).\n"
           "\n"
           "Exit status: 0 after a whole run, Escape or a closed window; 1 after a\n"
           "failure, which a message names; 128 + the signal's number (130, 143, 129)\n"
           "when SIGINT, SIGTERM or SIGHUP stopped a render, which keeps what it wrote.\n";
}
