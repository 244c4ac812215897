// Names handed to the shell, the encoder command, the frame totals, the
// encoder pipe and the progress line.
#include "output/frame_totals.h"
#include "output/progress.h"
#include "output/recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/wait.h>

namespace {

TEST(SafeOutputName, AcceptsOnlyNamesTheShellTakesLiterally) {
    EXPECT_EQ(safe_output_name("out/take-1.mkv"), 1);
    EXPECT_EQ(safe_output_name("../renders/A_b.9"), 1);
    EXPECT_EQ(safe_output_name("my take.mkv"), 0);
    EXPECT_EQ(safe_output_name("~/frames"), 0);
    EXPECT_EQ(safe_output_name("out/$HOME"), 0);
    EXPECT_EQ(safe_output_name("a;rm \"x\""), 0);
    EXPECT_EQ(safe_output_name(""), 0);
    EXPECT_EQ(safe_output_name(nullptr), 0);
}

// The fixed command, with -xerror so that its exit status tells the truth.
TEST(EncoderCommand, FromTheStartIsTheFixedCommand) {
    char command[encoder_command_capacity];
    ASSERT_EQ(format_encoder_command(command, sizeof command, "ostrel-lossless.mkv", 0.0, 237.42857142857142), 1);
    EXPECT_STREQ(command,
                 "ffmpeg -y -loglevel warning -xerror -f rawvideo -pixel_format rgb24 -video_size 1920x1080 -framerate 60 "
                 "-i - -itsoffset 2 -i src/beat3-140bpm.mp3 -filter:v vflip -map 0:v:0 -map 1:a:0 -c:v ffv1 "
                 "-level 3 -coder 1 -context 1 -g 1 -c:a pcm_s16le -t 237.428571 ostrel-lossless.mkv");
}

TEST(EncoderCommand, PartWaySeeksTheTrackAndCutsAtTheRenderedLength) {
    char command[encoder_command_capacity];
    ASSERT_EQ(format_encoder_command(command, sizeof command, "out/take-1.mkv", 245.0, 781.0 / 60.0), 1);
    std::string text = command;
    EXPECT_NE(text.find("-itsoffset 2 -ss 245.000000 -i src/beat3-140bpm.mp3 "), std::string::npos) << text;
    EXPECT_NE(text.find(" -t 13.016667 out/take-1.mkv"), std::string::npos) << text;
}

TEST(EncoderCommand, ANameThatDoesNotFitIsRefusedNotTruncated) {
    char command[encoder_command_capacity];
    ASSERT_EQ(format_encoder_command(command, sizeof command, "x", 0.0, 1.0), 1);
    size_t room = encoder_command_capacity - 1 - (std::strlen(command) - 1);
    std::string fits(room, 'a');
    EXPECT_EQ(format_encoder_command(command, sizeof command, fits.c_str(), 0.0, 1.0), 1);
    EXPECT_EQ(format_encoder_command(command, sizeof command, (fits + "a").c_str(), 0.0, 1.0), 0);
}

TEST(FrameTotals, DurationsAndFrameCounts) {
    // A 200 s track is lengthened to the 135-bar minimum.
    double T = offline_total_seconds(231.42857142857142);
    EXPECT_DOUBLE_EQ(T, 237.42857142857142);
    EXPECT_EQ(offline_total_frames(T), 14246);
    EXPECT_EQ(offline_total_frames(offline_total_seconds(240.0)), 14760);
}

TEST(FrameTotals, RenderedFramesFollowTheBlackoutRule) {
    const double duration = 252.0;
    const int64_t total = offline_total_frames(offline_total_seconds(duration));
    EXPECT_EQ(total, 15480);
    // From the start the frame total is reached first.
    EXPECT_EQ(offline_rendered_frames(0.0, duration, total), total);
    // From 245 s: 120 lead-in frames, blackout from frame 540 (t = 252),
    // last frame 780 when 4 s of blackout have passed.
    EXPECT_EQ(offline_rendered_frames(245.0, duration, total), 781);
    // At or past the end the blackout starts with the first song frame.
    EXPECT_EQ(offline_rendered_frames(252.0, duration, total), 361);
    EXPECT_EQ(offline_rendered_frames(1.0e6, duration, total), 361);
}

TEST(SearchPath, FindsExecutablesOnlyInTheListedDirectories) {
    EXPECT_EQ(program_on_search_path("sh", "/nonexistent:/bin"), 1);
    EXPECT_EQ(program_on_search_path("sh", "/nonexistent"), 0);
    EXPECT_EQ(program_on_search_path("sh", ""), 0);
    EXPECT_EQ(program_on_search_path("sh", nullptr), 1);
}

TEST(RecorderPipe, FramesReachTheEncoderAndItsStatusIsReturned) {
    Recorder recorder;
    ASSERT_EQ(start_recorder(recorder, "cat > /dev/null", 3), 1);
    std::memset(recorder.frame, 7, rgb_frame_bytes);
    EXPECT_EQ(recorder_write_frame(recorder), 1);
    EXPECT_EQ(recorder_write_frame(recorder), 1);
    EXPECT_EQ(finish_recorder(recorder), 0);
    EXPECT_EQ(recorder.frame, nullptr);
    EXPECT_EQ(recorder.pipe, nullptr);
}

// An encoder that exits without reading gives a short write, not SIGPIPE.
TEST(RecorderPipe, AnEncoderThatExitedGivesAShortWriteAndItsFailure) {
    Recorder recorder;
    ASSERT_EQ(start_recorder(recorder, "exit 3", 3), 1);
    std::memset(recorder.frame, 0, rgb_frame_bytes);
    EXPECT_EQ(recorder_write_frame(recorder), 0);
    int status = finish_recorder(recorder);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

TEST(Progress, LineShowsCountRateAndTimeLeft) {
    char line[160];
    format_progress(line, sizeof line, 300, 781, 10.0);
    EXPECT_STREQ(line, "frame 300/781 (38.4%), 30.0 fps, 0:16 left");
    format_progress(line, sizeof line, 60, 15480, 1.0);
    EXPECT_STREQ(line, "frame 60/15480 (0.4%), 60.0 fps, 4:17 left");
}

// In place a few times a second and always at the last frame; plain lines
// only every ten seconds.
TEST(Progress, ReportsAreSpaced) {
    Progress progress;
    start_progress(progress, 100, true, 0.0);
    testing::internal::CaptureStderr();
    for (double now : {0.1, 0.3, 0.4}) report_progress(progress, (int64_t)(now * 100), now);
    report_progress(progress, 100, 0.45);
    end_progress(progress);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "\rframe 30/100 (30.0%), 100.0 fps, 0:01 left\033[K"
              "\rframe 100/100 (100.0%), 222.2 fps, 0:00 left\033[K\n");

    start_progress(progress, 100, false, 0.0);
    testing::internal::CaptureStderr();
    for (double now : {5.0, 10.0, 11.0}) report_progress(progress, (int64_t)(now * 9), now);
    end_progress(progress);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "frame 90/100 (90.0%), 9.0 fps, 0:01 left\n");
}

}  // namespace
