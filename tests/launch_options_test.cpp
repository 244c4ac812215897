#include "app/launch_options.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The parsed paths point into argv, so the arguments outlive the call
// until the next one.
LaunchOptions parse(std::vector<std::string> args) {
    static std::vector<std::string> kept;
    kept = std::move(args);
    std::vector<const char*> argv = {"ostrel"};
    for (const auto& a : kept) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    return parse_launch_options((int)argv.size() - 1, argv.data());
}

std::string str(const char* s) { return s ? s : "(null)"; }

TEST(LaunchOptions, NoArgumentsIsRealTimeWithClockSeedFromZero) {
    LaunchOptions o = parse({});
    EXPECT_FALSE(o.record);
    EXPECT_FALSE(o.export_png);
    EXPECT_FALSE(o.seed_given);
    EXPECT_EQ(o.start_seconds, 0.0);
    EXPECT_FALSE(o.show_help);
}

TEST(LaunchOptions, RecordOnlyAsFirstArgument) {
    LaunchOptions o = parse({"--record"});
    EXPECT_TRUE(o.record);
    EXPECT_EQ(str(o.record_path), "ostrel-lossless.mkv");

    o = parse({"--record", "--seed", "12"});
    EXPECT_TRUE(o.record);
    EXPECT_EQ(str(o.record_path), "ostrel-lossless.mkv");
    EXPECT_TRUE(o.seed_given);
    EXPECT_EQ(o.seed, 12u);

    o = parse({"--record", "out/take-1.mkv", "5"});
    EXPECT_TRUE(o.record);
    EXPECT_EQ(str(o.record_path), "out/take-1.mkv");
    EXPECT_EQ(o.seed, 5u);

    // Elsewhere --record only skips its value: out.mkv is not a seed.
    o = parse({"--seed", "5", "--record", "out.mkv"});
    EXPECT_FALSE(o.record);
    EXPECT_EQ(o.seed, 5u);
    o = parse({"3", "--record", "9"});
    EXPECT_FALSE(o.record);
    EXPECT_EQ(o.seed, 3u);
}

TEST(LaunchOptions, ExportAnywhereLaterDirectoryWins) {
    LaunchOptions o = parse({"--export-png-frames"});
    EXPECT_TRUE(o.export_png);
    EXPECT_EQ(str(o.export_dir), "indexed-frames");

    o = parse({"--export-indexed-png", "a", "--export-png-frames", "b"});
    EXPECT_TRUE(o.export_png);
    EXPECT_EQ(str(o.export_dir), "b");

    o = parse({"7", "--export-png-frames"});
    EXPECT_TRUE(o.export_png);
    EXPECT_EQ(str(o.export_dir), "indexed-frames");
    EXPECT_EQ(o.seed, 7u);

    o = parse({"--export-png-frames", "dir", "--export-indexed-png", "--start", "3"});
    EXPECT_EQ(str(o.export_dir), "dir");  // a default never replaces a given directory
    EXPECT_EQ(o.start_seconds, 3.0);

    // Both outputs at once.
    o = parse({"--record", "x.mkv", "--export-png-frames", "frames"});
    EXPECT_TRUE(o.record);
    EXPECT_TRUE(o.export_png);
    EXPECT_EQ(str(o.record_path), "x.mkv");
    EXPECT_EQ(str(o.export_dir), "frames");
}

TEST(LaunchOptions, StartSeconds) {
    EXPECT_EQ(parse({"--start", "12.5"}).start_seconds, 12.5);
    EXPECT_EQ(parse({"--start-seconds", "7"}).start_seconds, 7.0);
    EXPECT_EQ(parse({"--start", "-3"}).start_seconds, 0.0);
    EXPECT_EQ(parse({"--start", "abc"}).start_seconds, 0.0);
    EXPECT_EQ(parse({"--start"}).start_seconds, 0.0);
    // Not-a-number means no seek; huge values are held at a finite bound
    // that still lies after the end of the piece.
    EXPECT_EQ(parse({"--start", "nan"}).start_seconds, 0.0);
    EXPECT_EQ(parse({"--start", "-inf"}).start_seconds, 0.0);
    double inf = parse({"--start", "inf"}).start_seconds;
    EXPECT_TRUE(std::isfinite(inf));
    EXPECT_GT(inf, 300.0);
    EXPECT_EQ(parse({"--start", "1e308"}).start_seconds, inf);
    // The value is taken even when it looks like an option.
    LaunchOptions o = parse({"--start", "--seed", "4"});
    EXPECT_EQ(o.start_seconds, 0.0);
    EXPECT_EQ(o.seed, 4u);  // "4" is then the first bare word
}

TEST(LaunchOptions, Seeds) {
    EXPECT_EQ(parse({"12345"}).seed, 2345u);
    EXPECT_EQ(parse({"7", "8"}).seed, 7u);
    EXPECT_EQ(parse({"7", "--seed", "8"}).seed, 8u);
    EXPECT_EQ(parse({"--seed", "8", "7"}).seed, 8u);
    EXPECT_EQ(parse({"--seed", "123456789"}).seed, 6789u);
    EXPECT_EQ(parse({"--seed", "-5"}).seed, 1611u);  // strtoul wraps to 2^64 - 5
    EXPECT_EQ(parse({"word"}).seed, 0u);
    EXPECT_TRUE(parse({"word"}).seed_given);
    EXPECT_EQ(parse({"0"}).seed, 0u);
    EXPECT_EQ(parse({"9999"}).seed, 9999u);
    EXPECT_EQ(parse({"99999999999999999999999"}).seed, 1615u);  // ULONG_MAX mod 10000
    LaunchOptions o = parse({"--seed"});
    EXPECT_FALSE(o.seed_given);
    o = parse({"-12"});  // an ignored option, not a seed
    EXPECT_FALSE(o.seed_given);
}

TEST(LaunchOptions, Help) {
    EXPECT_TRUE(parse({"--help"}).show_help);
    EXPECT_TRUE(parse({"7", "-h"}).show_help);
    EXPECT_FALSE(parse({"--seed", "-h"}).show_help);  // consumed as the seed value
    EXPECT_NE(std::strstr(usage_text(), "src/beat3-140bpm.mp3"), nullptr);
}

// Random argument vectors: random bytes, huge numbers, missing values and
// repeated options must never crash or read out of bounds (the sanitizer
// build checks the reads).
TEST(LaunchOptions, FuzzRandomArgumentVectors) {
    const char* pieces[] = {"--record", "--export-indexed-png", "--export-png-frames", "--start",
                            "--start-seconds", "--seed", "-", "", "--", "1e400", "nan", "-inf",
                            "18446744073709551616", "-99999999999999999999", "0x10", " 5", "--help"};
    uint64_t state = 12345;
    auto next = [&state]() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return (uint32_t)(state >> 33);
    };
    for (int round = 0; round < 20000; ++round) {
        int count = (int)(next() % 7);
        std::vector<std::string> args;
        for (int k = 0; k < count; ++k) {
            if (next() % 3 == 0) {
                std::string random_bytes;
                int len = (int)(next() % 12);
                for (int c = 0; c < len; ++c) random_bytes.push_back((char)(1 + next() % 255));
                args.push_back(random_bytes);
            } else {
                args.push_back(pieces[next() % (sizeof(pieces) / sizeof(pieces[0]))]);
            }
        }
        LaunchOptions o = parse(args);
        ASSERT_LT(o.seed, 10000u);
        ASSERT_GE(o.start_seconds, 0.0);
        ASSERT_LE(o.start_seconds, max_start_seconds);
        if (o.record) {
            ASSERT_NE(o.record_path, nullptr);
        }
        if (o.export_png) {
            ASSERT_NE(o.export_dir, nullptr);
        }
    }
}

}  // namespace
