// The browser edition's pure parts, natively: the track's length measured
// from its frame headers (the browser has no MP3 decoder of ours) against
// what libmpg123 counts (its mpg123_length after mpg123_scan, as the
// offline modes measure the track), a still's frame and the quoting of
// the URL parameters, and the frame CRCs (checked on every frame of both
// reference runs too) against zlib's.
#include "output/palette.h"
#include "timeline/timeline.h"
#include "timeline/track_length.h"
#include "web/frame_crc.h"
#include "web/web_parameters.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

TEST(TrackLength, HeadersGiveTheDecodersLengthWholeCutAndTagged) {
    std::ifstream file(std::string(OSTREL_SOURCE_DIR) + "/src/beat3-140bpm.mp3", std::ios::binary);
    const std::vector<unsigned char> whole{std::istreambuf_iterator<char>(file), {}};
    ASSERT_GT(whole.size(), 3000000u);
    TrackLength length;
    ASSERT_EQ(measure_mp3_length(whole.data(), whole.size(), &length), 1);
    EXPECT_EQ(length.rate, 44100);
    EXPECT_EQ(length.samples, 11113200);  // libmpg123: 9648 frames less 576 + 720 gapless samples
    EXPECT_EQ(track_duration_seconds(length), 252.0);

    // Cut mid-frame: the announced frames are not all there, so no padding
    // is taken off, and the cut-off frame does not count.
    const std::vector<unsigned char> cut(whole.begin(), whole.begin() + 3000000);
    ASSERT_EQ(measure_mp3_length(cut.data(), cut.size(), &length), 1);
    EXPECT_EQ(length.samples, 5511168);  // libmpg123: 4784 whole frames
    EXPECT_EQ(track_duration_seconds(length), piece_end);

    // An ID3v2 tag in front (128 bytes) is skipped; trailing junk ends the scan.
    std::vector<unsigned char> tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 1, 0};
    tagged.resize(10 + 128, 'x');
    tagged.insert(tagged.end(), whole.begin(), whole.end());
    tagged.insert(tagged.end(), {'T', 'A', 'G', 0, 1, 2});
    ASSERT_EQ(measure_mp3_length(tagged.data(), tagged.size(), &length), 1);
    EXPECT_EQ(length.samples, 11113200);
    EXPECT_EQ(measure_mp3_length(tagged.data() + 3, 200, &length), 0);
}

// The frame of a still and the quoting of values. (The seed and start are
// read by the program's own parser: tests/web/parameters.test.mjs checks
// them against the program itself.)
TEST(WebParameters, StillFramesInTheRunsRangeAndValuesQuotedWhole) {
    WebParameters p;
    read_web_parameters(p, nullptr, nullptr, "15480", 12345, 252.0);
    EXPECT_EQ(p.seed, 2345u);  // a fresh seed, reduced as a given one is
    EXPECT_EQ(p.start_seconds, 0.0);
    EXPECT_EQ(p.still_frame, 15480);
    EXPECT_STREQ(p.messages, "");

    read_web_parameters(p, "1", nullptr, "0", 1, 252.0);
    EXPECT_EQ(p.still_frame, 0);
    EXPECT_STREQ(p.messages, "frame=0: give a whole number from 1 to 15480; playing the piece instead.\n");
    read_web_parameters(p, "1", "2", "1.5", 1, 252.0);
    EXPECT_STREQ(p.messages, "frame=1.5: give a whole number from 1 to 15361; playing the piece instead.\n");

    // The last frame depends on the start; past the end only the blackout is left.
    read_web_parameters(p, "7", "100", "9482", 1, 252.0);
    EXPECT_STREQ(p.messages, "frame=9482: past the last frame of this run, 9481; playing the piece instead.\n");
    read_web_parameters(p, "7", "1e300", "361", 1, 252.0);
    EXPECT_EQ(p.still_frame, 361);
    EXPECT_STREQ(p.messages, "start=1e300: past the end of the piece (252 s); only its closing blackout is left.\n");

    // A value is quoted to 64 bytes, never cut inside a UTF-8 character.
    const std::string accented = std::string(63, 'a') + "\xc3\xa9";
    read_web_parameters(p, "1", nullptr, accented.c_str(), 1, 252.0);
    EXPECT_EQ(std::string(p.messages), "frame=" + std::string(63, 'a') + ": give a whole number from 1 to 15480; playing "
                                       "the piece instead.\n");

    // A long value cannot overrun the messages.
    const std::string huge(100000, '9');
    read_web_parameters(p, huge.c_str(), ("x" + huge).c_str(), ("x" + huge).c_str(), 1, 252.0);
    EXPECT_LT(std::string(p.messages).size(), sizeof p.messages);
}

// Lit pixels with black runs between them of every kind the step through a
// frame meets: shorter than a step, whole steps, long runs taken at once,
// and one longer than the table of runs (9 MB of zeros), then a tail that
// is no whole step.
TEST(FrameCrc, EqualsZlibOverRunsOfBlackOfEveryLength) {
    static unsigned char lookup[lookup_table_bytes];
    build_lookup_table(lookup, export_palette, export_palette_count);
    const size_t gaps[] = {0, 1, 7, 8, 9, 23, 170, 171, 172, 1000, 1920 * 3, 100003, 3000001, 5};
    std::vector<unsigned char> rgb;
    const unsigned char colours[][3] = {{255, 255, 255}, {89, 89, 89}, {255, 0, 0}, {200, 40, 7}, {0, 0, 255}};
    int n = 0;
    for (size_t gap : gaps) {
        rgb.resize(rgb.size() + gap * 3, 0);
        for (int lit = 0; lit < 1 + n % 3; lit++, n++) rgb.insert(rgb.end(), colours[n % 5], colours[n % 5] + 3);
    }
    rgb.resize(rgb.size() + 3 * 3, 0);
    const size_t pixels = rgb.size() / 3;
    std::vector<unsigned char> indexed(pixels);
    map_frame_to_palette(rgb.data(), lookup, indexed.data(), pixels);
    for (size_t length : {pixels, pixels - 4, (size_t)1920 * 1080, (size_t)13, (size_t)0}) {
        const FrameCrcs got = frame_crcs(rgb.data(), lookup, length);
        EXPECT_EQ(got.rgb, (uint32_t)crc32(0, rgb.data(), (uInt)(length * 3))) << length << " pixels";
        EXPECT_EQ(got.indexed, (uint32_t)crc32(0, indexed.data(), (uInt)length)) << length << " pixels";
    }
}
