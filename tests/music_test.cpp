// Music stream against the real decoder and SDL's dummy audio driver, with
// the project's own track (copied beside the test executables).
#include "timeline/music.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

const std::string track = std::string(OSTREL_BINARY_DIR) + "/src/beat3-140bpm.mp3";
const std::string missing = "/nonexistent-ostrel-dir/src/beat3-140bpm.mp3";

class MusicTest : public testing::Test {
protected:
    void SetUp() override {
        // SDL_Quit clears hints: choose the silent driver for every test.
        if (std::getenv("SDL_AUDIODRIVER") == nullptr) SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        ASSERT_EQ(SDL_Init(SDL_INIT_AUDIO), 0) << SDL_GetError();
    }
    void TearDown() override {
        music_decoder_read = mpg123_read;
        SDL_Quit();
    }
    static MusicStream stream;  // 32 KiB buffer: keep it off the stack
};
MusicStream MusicTest::stream;

TEST_F(MusicTest, OpensSeeksPrefillsPausedAndKeepsTheQueueFull) {
    ASSERT_EQ(music_open(stream, 10.0), 1);
    EXPECT_EQ(stream.latency, 0.20523090929705218);
    EXPECT_EQ(SDL_GetAudioDeviceStatus(stream.device), SDL_AUDIO_PAUSED);
    Uint32 prefill = SDL_GetQueuedAudioSize(stream.device);
    EXPECT_GT(prefill, music_queue_target);
    EXPECT_LE(prefill, music_queue_target + 32768u);
    // Nothing has played: the decoder stands at the seek point plus exactly
    // what the prefill queued (16-bit stereo, 4 bytes per sample).
    EXPECT_EQ(mpg123_tell(stream.decoder), (off_t)(441000 + prefill / 4));

    SDL_PauseAudioDevice(stream.device, 0);
    Uint32 start = SDL_GetTicks();
    while (SDL_GetQueuedAudioSize(stream.device) >= prefill && SDL_GetTicks() - start < 2000) SDL_Delay(5);
    ASSERT_LT(SDL_GetQueuedAudioSize(stream.device), prefill) << "the device never began to consume";
    for (int frame = 0; frame < 20; ++frame) {
        SDL_Delay(16);
        music_update(stream);
        ASSERT_EQ(stream.active, 1);
        // The device may already have taken a little since the top-up.
        Uint32 queued = SDL_GetQueuedAudioSize(stream.device);
        EXPECT_GT(queued, music_queue_target - 16384u);
        EXPECT_LE(queued, music_queue_target + 32768u);
    }
    music_close(stream);
}

TEST_F(MusicTest, ProbedLengthAndAnEndOnlyOnceTheQueueHasRunDry) {
    double length = 0.0;
    ASSERT_EQ(probe_track_duration_file(track.c_str(), &length), 1);
    EXPECT_GT(length, 251.0);
    ASSERT_LT(length, 253.0);
    // Half a second before the end: the prefill reaches end of stream.
    ASSERT_EQ(music_open(stream, length - 0.5), 1);
    EXPECT_EQ(stream.decode_finished, 1);
    // 200 KiB still queued: a later call only watches.
    static unsigned char silence[200 * 1024];
    SDL_QueueAudio(stream.device, silence, sizeof silence);
    music_update(stream);
    EXPECT_EQ(stream.ended, 0);
    EXPECT_EQ(stream.active, 1);
    SDL_ClearQueuedAudio(stream.device);
    music_update(stream);
    EXPECT_EQ(stream.ended, 1);
    EXPECT_EQ(stream.active, 0);
    music_close(stream);
}

// The caller writes the one message; the opening itself stays quiet. The
// length probe writes one line naming the track it could not read.
TEST_F(MusicTest, MissingOrForeignTrackOrNoDeviceFails) {
    std::string text = OSTREL_SOURCE_DIR "/CMakeLists.txt";
    testing::internal::CaptureStderr();
    for (const std::string& path : {missing, text}) {
        EXPECT_EQ(music_open_file(stream, path.c_str(), 0.0), 0) << path;
        EXPECT_EQ(stream.active, 0);
        EXPECT_EQ(stream.device, 0u);
        music_close(stream);
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    EXPECT_EQ(music_open_file(stream, track.c_str(), 0.0), 0);
    EXPECT_EQ(stream.active, 0);
    EXPECT_NE(stream.decoder, nullptr);  // left for music_close
    music_close(stream);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    double duration = 0.0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(probe_track_duration_file(missing.c_str(), &duration), 0);
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}

// Stand-in decoder reads: success without bytes forever; one buffer then an error.
int reads = 0;
int read_nothing(mpg123_handle*, void*, size_t, size_t* done) {
    ++reads;
    *done = 0;
    return MPG123_OK;
}
int read_one_buffer_then_fail(mpg123_handle*, void*, size_t size, size_t* done) {
    *done = ++reads == 1 ? size : 0;
    return reads == 1 ? MPG123_OK : MPG123_ERR;
}

// An error stops the stream for good while what is queued still plays out;
// endless empty success must not hang the frame.
TEST_F(MusicTest, ReadLoopStopsOnErrorsAndOnEmptySuccess) {
    SDL_AudioSpec spec;
    SDL_memset(&spec, 0, sizeof spec);
    spec.freq = 44100, spec.format = AUDIO_S16LSB, spec.channels = 2, spec.samples = 2048;
    stream = MusicStream{};
    stream.device = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    ASSERT_NE(stream.device, 0u);
    struct Case { DecoderRead read; int reads; Uint32 queued; };
    for (Case c : {Case{read_one_buffer_then_fail, 2, 32768u}, Case{read_nothing, music_max_empty_reads, 0u}}) {
        SDL_ClearQueuedAudio(stream.device);
        stream.active = 1;
        reads = 0;
        music_decoder_read = c.read;
        music_update(stream);
        EXPECT_EQ(reads, c.reads);
        EXPECT_EQ(SDL_GetQueuedAudioSize(stream.device), c.queued);
        EXPECT_EQ(stream.active, 0);
        EXPECT_EQ(stream.ended, 0);
    }
    SDL_CloseAudioDevice(stream.device);
}

}  // namespace
