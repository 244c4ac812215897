// The browser edition's pure parts, natively: the track's length measured
// from its frame headers (the browser has no MP3 decoder of ours) against
// libmpg123's, the URL parameters read as the command line reads them, and
// the frame CRC against zlib's.
#include "timeline/timeline.h"
#include "timeline/track_length.h"
#include "web/frame_crc.h"
#include "web/web_parameters.h"

#include <gtest/gtest.h>
#include <mpg123.h>
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> track_bytes() {
    std::ifstream file(std::string(OSTREL_SOURCE_DIR) + "/src/beat3-140bpm.mp3", std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

// Samples as libmpg123 counts them (gapless, by scanning every frame).
int64_t decoder_samples(const std::vector<unsigned char>& bytes) {
    const std::string path = testing::TempDir() + "ostrel-track-length.mp3";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    mpg123_init();
    int error = 0;
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    int64_t length = -1;
    if (mpg123_open(decoder, path.c_str()) == MPG123_OK && mpg123_scan(decoder) == MPG123_OK) {
        length = (int64_t)mpg123_length(decoder);
    }
    mpg123_close(decoder);
    mpg123_delete(decoder);
    std::remove(path.c_str());
    return length;
}

}  // namespace

TEST(TrackLength, HeadersGiveTheDecodersLengthWholeCutAndTagged) {
    const std::vector<unsigned char> whole = track_bytes();
    ASSERT_GT(whole.size(), 3000000u);
    TrackLength length;
    ASSERT_EQ(measure_mp3_length(whole.data(), whole.size(), &length), 1);
    EXPECT_EQ(length.rate, 44100);
    EXPECT_EQ(length.samples, decoder_samples(whole));
    EXPECT_EQ(track_duration_seconds(length), 252.0);

    // Cut mid-frame: the announced frames are not all there, so no padding
    // is taken off, and the cut-off frame does not count.
    const std::vector<unsigned char> cut(whole.begin(), whole.begin() + 3000001);
    ASSERT_EQ(measure_mp3_length(cut.data(), cut.size(), &length), 1);
    EXPECT_EQ(length.samples, decoder_samples(cut));
    EXPECT_EQ(track_duration_seconds(length), piece_end);

    // An ID3v2 tag in front is skipped; trailing junk ends the scan.
    std::vector<unsigned char> tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 1, 0};
    tagged.resize(10 + 128, 'x');
    tagged.insert(tagged.end(), whole.begin(), whole.end());
    tagged.insert(tagged.end(), {'T', 'A', 'G', 0, 1, 2});
    ASSERT_EQ(measure_mp3_length(tagged.data(), tagged.size(), &length), 1);
    EXPECT_EQ(length.samples, decoder_samples(whole));

    const unsigned char junk[] = "no audio here at all";
    EXPECT_EQ(measure_mp3_length(junk, sizeof junk, &length), 0);
    EXPECT_EQ(measure_mp3_length(whole.data(), 3, &length), 0);
}

TEST(WebParameters, ReadAsTheCommandLineReadsThemWithOneLineEach) {
    WebParameters p;
    read_web_parameters(p, "12345", "60", nullptr, 99, 252.0);
    EXPECT_TRUE(p.seed_given);
    EXPECT_EQ(p.seed, 2345u);
    EXPECT_EQ(p.start_seconds, 60.0);
    EXPECT_EQ(p.still_frame, 0);
    EXPECT_STREQ(p.messages, "");

    read_web_parameters(p, nullptr, nullptr, "15480", 12345, 252.0);
    EXPECT_FALSE(p.seed_given);
    EXPECT_EQ(p.seed, 2345u);  // a fresh seed, reduced as well
    EXPECT_EQ(p.run_frames, 15480);
    EXPECT_EQ(p.still_frame, 15480);

    read_web_parameters(p, "abc", "-5", "0", 1, 252.0);
    EXPECT_EQ(p.seed, 0u);
    EXPECT_EQ(p.start_seconds, 0.0);
    EXPECT_EQ(p.still_frame, 0);
    EXPECT_STREQ(p.messages,
                 "seed=abc: it is not a number; playing seed 0000.\n"
                 "start=-5: a start cannot be negative; starting at 0 s.\n"
                 "frame=0: give a whole number from 1 to 15480; playing the piece instead.\n");

    read_web_parameters(p, "7x", "2:30", "9482", 1, 252.0);
    EXPECT_EQ(p.seed, 7u);
    EXPECT_EQ(p.start_seconds, 2.0);
    EXPECT_STREQ(p.messages,
                 "seed=7x: only the number at its start counts; playing seed 0007.\n"
                 "start=2:30: only the number at its start counts; starting at 2 s.\n");
    read_web_parameters(p, "7", "100", "9482", 1, 252.0);
    EXPECT_EQ(p.run_frames, 9481);
    EXPECT_STREQ(p.messages, "frame=9482: past the last frame of this run, 9481; playing the piece instead.\n");

    // Past the end: the program's reading stands, and the page says what is left.
    read_web_parameters(p, "7", "1e300", "", 1, 252.0);
    EXPECT_EQ(p.start_seconds, 1.0e6);
    EXPECT_EQ(p.run_frames, 361);
    EXPECT_STREQ(p.messages,
                 "start=1e+06: past the end of the piece (252 s); only its closing blackout is left.\n"
                 "frame=: give a whole number from 1 to 361; playing the piece instead.\n");

    // A long value cannot overrun the messages.
    const std::string huge(100000, '9');
    read_web_parameters(p, huge.c_str(), ("x" + huge).c_str(), ("x" + huge).c_str(), 1, 252.0);
    EXPECT_LT(std::string(p.messages).size(), sizeof p.messages);
}

TEST(FrameCrc, EqualsZlibOverZeroRunsOfEveryLength) {
    std::vector<unsigned char> data(70000);
    uint32_t noise = 1;
    for (size_t i = 0; i < data.size(); i++) {
        noise = noise * 1103515245u + 12345u;
        // Runs of zeros of many lengths, short and long, between noise.
        data[i] = (i / 97) % 3 == 0 || (i > 20000 && i < 50003) ? 0 : (unsigned char)(noise >> 24);
    }
    for (size_t size : {0ul, 1ul, 7ul, 8ul, 255ul, 256ul, 257ul, 1000ul, 33333ul, 70000ul}) {
        for (size_t offset : {0ul, 3ul}) {
            if (offset > size) continue;
            const unsigned char* p = data.data() + offset;
            EXPECT_EQ(frame_crc32(p, size - offset), (uint32_t)crc32(0L, p, (uInt)(size - offset))) << size;
        }
    }
    const std::vector<unsigned char> black(1920 * 1080 * 3, 0);
    EXPECT_EQ(frame_crc32(black.data(), black.size()), (uint32_t)crc32(0L, black.data(), (uInt)black.size()));
}
