// Names handed to the shell, the encoder command, the frame totals and the
// progress line.
#include "output/frame_totals.h"
#include "output/progress.h"
#include "output/recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(SafeOutputName, AcceptsOnlyNamesTheShellTakesLiterally) {
    for (const char* name : {"out/take-1.mkv", "../renders/A_b.9"}) EXPECT_EQ(safe_output_name(name), 1) << name;
    for (const char* name : {"my take.mkv", "~/frames", "out/$HOME", "a;rm \"x\"", ""})
        EXPECT_EQ(safe_output_name(name), 0) << name;
    EXPECT_EQ(safe_output_name(nullptr), 0);
}

TEST(EncoderCommand, FixedFromTheStartSeeksPartWayAndRefusesWhatDoesNotFit) {
    char command[encoder_command_capacity];
    ASSERT_EQ(format_encoder_command(command, sizeof command, "ostrel-lossless.mkv", "src/beat3-140bpm.mp3", AudioPlacement{2.0, 0.0, 237.42857142857142}), 1);
    // -xerror makes the encoder's exit status report write failures.
    EXPECT_STREQ(command,
                 "ffmpeg -y -loglevel warning -xerror -f rawvideo -pixel_format rgb24 -video_size 1920x1080 -framerate 60 "
                 "-i - -itsoffset 2 -i src/beat3-140bpm.mp3 -filter:v vflip -map 0:v:0 -map 1:a:0 -c:v ffv1 "
                 "-level 3 -coder 1 -context 1 -g 1 -c:a pcm_s16le -t 237.428571 ostrel-lossless.mkv");

    ASSERT_EQ(format_encoder_command(command, sizeof command, "out/take-1.mkv", "src/beat3-140bpm.mp3", AudioPlacement{2.0, 245.0, 781.0 / 60.0}), 1);
    std::string text = command;
    EXPECT_NE(text.find("-itsoffset 2 -ss 245.000000 -i src/beat3-140bpm.mp3 "), std::string::npos) << text;
    EXPECT_NE(text.find(" -t 13.016667 out/take-1.mkv"), std::string::npos) << text;

    ASSERT_EQ(format_encoder_command(command, sizeof command, "x", "src/beat3-140bpm.mp3", AudioPlacement{2.0, 0.0, 1.0}), 1);
    std::string fits(encoder_command_capacity - std::strlen(command), 'a');  // fills the 2048 bytes exactly
    EXPECT_EQ(format_encoder_command(command, sizeof command, fits.c_str(), "src/beat3-140bpm.mp3", AudioPlacement{2.0, 0.0, 1.0}), 1);
    EXPECT_EQ(format_encoder_command(command, sizeof command, (fits + "a").c_str(), "src/beat3-140bpm.mp3", AudioPlacement{2.0, 0.0, 1.0}), 0);
}

TEST(FrameTotals, TotalsAndTheFramesARunRenders) {
    // A 200 s track is lengthened to the 135-bar minimum.
    EXPECT_DOUBLE_EQ(offline_total_seconds(231.42857142857142), 237.42857142857142);
    EXPECT_EQ(offline_total_frames(237.42857142857142), 14246);
    EXPECT_EQ(offline_total_frames(offline_total_seconds(240.0)), 14760);

    const double duration = 252.0;
    const int64_t total = offline_total_frames(offline_total_seconds(duration));
    // From 245 s: blackout from frame 540 (t = 252), last frame 780.
    EXPECT_EQ(offline_rendered_frames(245.0, duration, total), 781);
    // At or past the end the blackout starts with the first song frame.
    EXPECT_EQ(offline_rendered_frames(252.0, duration, total), 361);
}

// In place a few times a second, plain lines every ten seconds, and both
// always at the last frame.
TEST(Progress, LinesAndTheirSpacing) {
    Progress progress;
    start_progress(progress, 100, true, 0.0);
    testing::internal::CaptureStderr();
    for (double now : {0.1, 0.3, 0.4}) report_progress(progress, (int64_t)(now * 100), now);
    report_progress(progress, 100, 0.45);
    end_progress(progress);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\rframe 30/100 (30.0%), 100.0 fps, 0:01 left\033[K"
              "\rframe 100/100 (100.0%), 222.2 fps, 0:00 left\033[K\n");

    start_progress(progress, 1000, false, 0.0);
    testing::internal::CaptureStderr();
    for (double now : {5.0, 10.0, 11.0}) report_progress(progress, (int64_t)(now * 9), now);
    report_progress(progress, 1000, 12.0);  // the last frame, however soon
    end_progress(progress);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "frame 90/1000 (9.0%), 9.0 fps, 1:41 left\nframe 1000/1000 (100.0%), 83.3 fps, 0:00 left\n");
}

}  // namespace
