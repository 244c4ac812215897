#include "app/launch_options.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The parsed paths point into argv, so the arguments are kept until the next call.
LaunchOptions parse(std::vector<std::string> args) {
    static std::vector<std::string> kept;
    kept = std::move(args);
    std::vector<const char*> argv = {"ostrel"};
    for (const auto& a : kept) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    return parse_launch_options((int)argv.size() - 1, argv.data());
}

// Expected path nullptr = that output is off; seed -1 = no seed given.
TEST(LaunchOptions, OutputsAndSeedsTogether) {
    struct Case { std::vector<std::string> args; const char* record_path; const char* export_dir; long seed; };
    const Case cases[] = {
        {{}, nullptr, nullptr, -1},
        {{"--record"}, "ostrel-lossless.mkv", nullptr, -1},
        {{"--record", "--seed", "12"}, "ostrel-lossless.mkv", nullptr, 12},
        {{"--record", "out/take-1.mkv", "5"}, "out/take-1.mkv", nullptr, 5},
        // Elsewhere --record only skips its value, which is then no seed.
        {{"--seed", "5", "--record", "out.mkv"}, nullptr, nullptr, 5},
        {{"--start", "1", "--record", "9"}, nullptr, nullptr, -1},
        {{"--export-png-frames"}, nullptr, "indexed-frames", -1},
        {{"--export-indexed-png", "a", "--export-png-frames", "b"}, nullptr, "b", -1},
        {{"7", "--export-png-frames"}, nullptr, "indexed-frames", 7},
        // A default never replaces a given directory.
        {{"--export-png-frames", "dir", "--export-indexed-png", "--seed", "3"}, nullptr, "dir", 3},
        {{"--record", "x.mkv", "--export-png-frames", "frames"}, "x.mkv", "frames", -1},
        {{"12345"}, nullptr, nullptr, 2345},
        {{"7", "8"}, nullptr, nullptr, 7},
        {{"7", "--seed", "8"}, nullptr, nullptr, 8},
        {{"--seed", "8", "7"}, nullptr, nullptr, 8},
        {{"--seed", "123456789"}, nullptr, nullptr, 6789},
        {{"--seed", "-5"}, nullptr, nullptr, 1611},  // strtoul wraps to 2^64 - 5
        {{"word"}, nullptr, nullptr, 0},
        {{"99999999999999999999999"}, nullptr, nullptr, 1615},  // ULONG_MAX mod 10000
        {{"--seed"}, nullptr, nullptr, -1},
        {{"-12"}, nullptr, nullptr, -1},  // an ignored option, not a seed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        LaunchOptions o = parse(c.args);
        EXPECT_EQ(o.record, c.record_path != nullptr);
        if (c.record_path) { EXPECT_STREQ(o.record_path, c.record_path); }
        EXPECT_EQ(o.export_png, c.export_dir != nullptr);
        if (c.export_dir) { EXPECT_STREQ(o.export_dir, c.export_dir); }
        EXPECT_EQ(o.seed_given, c.seed >= 0);
        if (c.seed >= 0) { EXPECT_EQ(o.seed, (uint64_t)c.seed); }
        EXPECT_FALSE(o.show_help);
    }
}

TEST(LaunchOptions, StartSecondsNeverNegativeNaNOrUnbounded) {
    struct Case { std::vector<std::string> args; double start; };
    const Case cases[] = {
        {{}, 0.0},
        {{"--start", "12.5"}, 12.5},
        {{"--start-seconds", "7"}, 7.0},
        {{"--start", "-3"}, 0.0},
        {{"--start", "abc"}, 0.0},
        {{"--start"}, 0.0},
        {{"--start", "nan"}, 0.0},
        {{"--start", "inf"}, max_start_seconds},
        {{"--start", "1e308"}, max_start_seconds},
        {{"--export-indexed-png", "--start", "3"}, 3.0},
    };
    for (const Case& c : cases) EXPECT_EQ(parse(c.args).start_seconds, c.start) << testing::PrintToString(c.args);
    // The bound still lies after the end of the piece.
    EXPECT_GT(max_start_seconds, 300.0);
    // The value is taken even when it looks like an option; "4" is then the first bare word.
    LaunchOptions o = parse({"--start", "--seed", "4"});
    EXPECT_EQ(o.start_seconds, 0.0);
    EXPECT_EQ(o.seed, 4u);
}

TEST(LaunchOptions, Help) {
    EXPECT_TRUE(parse({"--help"}).show_help);
    EXPECT_TRUE(parse({"7", "-h"}).show_help);
    EXPECT_FALSE(parse({"--seed", "-h"}).show_help);  // consumed as the seed value
    EXPECT_NE(std::strstr(usage_text(), "src/beat3-140bpm.mp3"), nullptr);
}

// The --option=value forms, and every ignored argument named once.
TEST(LaunchOptions, EqualsFormsAndIgnoredArguments) {
    LaunchOptions o = parse({"--record=-take.mkv", "--seed=-5", "--start=12.5", "--frames=3-9", "--export-png-frames=d"});
    EXPECT_TRUE(o.record);
    EXPECT_STREQ(o.record_path, "-take.mkv");
    EXPECT_EQ(o.seed, 1611u);
    EXPECT_EQ(o.start_seconds, 12.5);
    EXPECT_TRUE(o.frames_valid && o.first_frame == 3 && o.last_frame == 9);
    EXPECT_STREQ(o.export_dir, "d");
    EXPECT_EQ(o.ignored_count, 1);  // the negative seed
    // The display and renderer options, in both spellings; a value that is
    // no whole number or no renderer is kept to be refused.
    o = parse({"--window", "--display=2", "--renderer", "gl"});
    EXPECT_TRUE(o.windowed && o.display == 2 && o.display_text == nullptr && o.renderer_gl);
    o = parse({"--display", "-1", "--renderer=vulkan"});
    EXPECT_STREQ(o.display_text, "-1");
    EXPECT_STREQ(o.renderer_text, "vulkan");
    EXPECT_FALSE(o.renderer_gl);
    EXPECT_STREQ(parse({"--display", "x2"}).display_text, "x2");

    struct Case { std::vector<std::string> args; std::vector<std::string> lines; };
    const Case cases[] = {
        {{"--strat", "245"}, {"Ignoring unknown option \"--strat\"."}},
        {{"--record", "-take.mkv"},
         {"Ignoring \"-take.mkv\" as the value of --record: a value may not start with \"-\" (write "
          "--record=-take.mkv)."}},
        {{"--seed", "1", "--record", "x.mkv"},
         {"Ignoring \"--record\": it must be the first argument; this run does not record."}},
        {{"--export-png-frames", "-d", "--version=2"},
         {"Ignoring \"-d\" as the value of --export-png-frames: a value may not start with \"-\" (write "
          "--export-png-frames=-d).",
          "Ignoring unknown option \"--version=2\"."}},
        {{"--version", "--run-info", "--start", "12.5", "--seed", "12345"}, {}},
        // Numbers read as the option table reads them, and said so.
        {{"--start", "-3", "--seed", "-h"},
         {"Reading --start \"-3\" as 0: a start cannot be negative.",
          "Taking \"-h\" as the value of --seed, which reads it as 0: it is not a number."}},
        {{"--start", "abc", "--start-seconds=nan", "--start", "2:30"},
         {"Reading --start \"abc\" as 0: it is not a number.",
          "Reading --start-seconds \"nan\" as 0: it is not a number.",
          "Reading --start \"2:30\" as 2: only the number at its start counts."}},
        {{"--seed", "abc", "--seed=7x", "--seed", "-5"},
         {"Reading --seed \"abc\" as 0: it is not a number.",
          "Reading --seed \"7x\" as 7: only the number at its start counts.",
          "Reading --seed \"-5\" as 1611: a seed cannot be negative, and this one wraps around."}},
        {{"--seed", "18446744073709551616", "100000000000000000000", "--start", "0x10"},
         {"Reading --seed \"18446744073709551616\" as 1615: it is too large for a seed, so 18446744073709551615 "
          "was taken.",
          "Reading --start \"0x10\" as 16: it is written as a hexadecimal number."}},
        {{"--record", "a.mkv", "--seed", "3", "--record", "b.mkv"},
         {"Ignoring \"--record\": only the first --record counts; this run records to a.mkv."}},
        {{"--seed", "--frames", "300-302"},
         {"Taking \"--frames\" as the value of --seed, which reads it as 0: it is not a number."}},
        {{"take"}, {"Reading the seed \"take\" as 0: it is not a number."}},
    };
    for (const Case& c : cases) {
        o = parse(c.args);
        std::vector<std::string> lines;
        char line[512];
        for (int i = 0; i < o.ignored_count; ++i) {
            format_ignored_argument(line, sizeof line, o.ignored[i]);
            lines.push_back(line);
        }
        EXPECT_EQ(lines, c.lines) << testing::PrintToString(c.args);
    }
    EXPECT_TRUE(parse({"--version"}).show_version);
}

TEST(FrameRange, OnlyTwoWholeNumbersInOrder) {
    int64_t first = 0, last = 0;
    EXPECT_EQ(parse_frame_range("1-15480", &first, &last), 1);
    EXPECT_TRUE(first == 1 && last == 15480);
    EXPECT_EQ(parse_frame_range("7-7", &first, &last), 1);
    for (const char* bad : {"", "7", "-", "0-3", "9-3", "1-2x", "-4-9", " 1-3", "1--3", "+1-3", "1-3 ", "a-b",
                            "1-99999999999999999999"}) {
        EXPECT_EQ(parse_frame_range(bad, &first, &last), 0) << bad;
    }
    EXPECT_EQ(parse_frame_range(nullptr, &first, &last), 0);
}

// Random bytes, huge numbers, missing values and repeated options never
// crash or read out of bounds (the sanitizer build checks the reads).
TEST(LaunchOptions, FuzzRandomArgumentVectors) {
    const char* pieces[] = {"--record", "--export-indexed-png", "--export-png-frames", "--start",
                            "--start-seconds", "--seed", "-", "", "--", "1e400", "nan", "-inf",
                            "18446744073709551616", "-99999999999999999999", "0x10", " 5", "--help",
                            "--frames", "1-5", "0-0", "--version", "--run-info", "--record=", "--record=-x",
                            "--seed=", "--seed=-5", "--start=nan", "--frames=", "--frames=3-2",
                            "--export-png-frames=", "--export-indexed-png=d", "--strat", "-take.mkv", "=", "--="};
    uint64_t state = 12345;
    auto next = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (uint32_t)(state >> 33);
    };
    for (int round = 0; round < 100000; ++round) {
        std::vector<std::string> args((size_t)(next() % 7));
        for (std::string& arg : args) {
            if (next() % 3 == 0) {
                for (int len = (int)(next() % 12); len > 0; --len) arg.push_back((char)(1 + next() % 255));
            } else {
                arg = pieces[next() % (sizeof(pieces) / sizeof(pieces[0]))];
            }
        }
        LaunchOptions o = parse(args);
        ASSERT_LT(o.seed, 10000u);
        ASSERT_GE(o.start_seconds, 0.0);
        ASSERT_LE(o.start_seconds, max_start_seconds);
        ASSERT_TRUE(!o.record || o.record_path != nullptr);
        ASSERT_TRUE(!o.export_png || o.export_dir != nullptr);
        ASSERT_TRUE(!o.frames_valid || (o.frames_given && 1 <= o.first_frame && o.first_frame <= o.last_frame));
        ASSERT_LE(o.ignored_count, (int)args.size());
        char line[512];
        for (int i = 0; i < o.ignored_count && i < max_ignored_arguments; ++i) {
            format_ignored_argument(line, sizeof line, o.ignored[i]);
        }
    }
}

}  // namespace
