// Music stream against the real decoder and SDL's dummy audio driver, with
// the project's own track (copied beside the test executables).
#include "timeline/music.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

const std::string track = std::string(OSTREL_BINARY_DIR) + "/src/beat3-140bpm.mp3";

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

std::string scratch_path(const char* name) {
    return std::string("/tmp/ostrel-music-test-") + std::to_string(getpid()) + "-" + name;
}

}  // namespace

TEST(MusicFormulas, LatencyAndSeekOffset) {
    EXPECT_EQ(music_latency(44100), 0.20523090929705218);
    EXPECT_EQ(music_latency(48000), 0.20145766666666667);
    EXPECT_EQ(music_seek_offset(44100, 10.0), 441000);
    // Truncated, never rounded up.
    EXPECT_EQ(music_seek_offset(44100, 0.99999), 44099);
    EXPECT_EQ(music_seek_offset(48000, 0.01), 480);
}

TEST_F(MusicTest, OpensBesideExecutableSeeksAndPrefillsPaused) {
    ASSERT_EQ(music_open(stream, 10.0), 1);
    EXPECT_EQ(stream.active, 1);
    EXPECT_EQ(stream.latency, 0.20523090929705218);
    EXPECT_EQ(SDL_GetAudioDeviceStatus(stream.device), SDL_AUDIO_PAUSED);
    Uint32 queued = SDL_GetQueuedAudioSize(stream.device);
    EXPECT_GT(queued, 131071u);
    EXPECT_LE(queued, 131071u + 32768u);
    // Nothing has played: the decoder stands at the seek point plus exactly
    // what the prefill queued (16-bit stereo, 4 bytes per sample).
    EXPECT_EQ(mpg123_tell(stream.decoder), (off_t)(441000 + queued / 4));
    music_close(stream);
}

TEST_F(MusicTest, QueueStaysAboveTargetWhilePlaying) {
    ASSERT_EQ(music_open(stream, 30.0), 1);
    Uint32 prefill = SDL_GetQueuedAudioSize(stream.device);
    SDL_PauseAudioDevice(stream.device, 0);
    Uint32 start = SDL_GetTicks();
    while (SDL_GetQueuedAudioSize(stream.device) >= prefill && SDL_GetTicks() - start < 2000) SDL_Delay(5);
    ASSERT_LT(SDL_GetQueuedAudioSize(stream.device), prefill) << "the device never began to consume";
    for (int frame = 0; frame < 20; ++frame) {
        SDL_Delay(16);
        music_update(stream);
        ASSERT_EQ(stream.active, 1);
        Uint32 queued = SDL_GetQueuedAudioSize(stream.device);
        // The device may already have taken a little since the top-up.
        EXPECT_GT(queued, 131071u - 16384u);
        EXPECT_LE(queued, 131071u + 32768u);
    }
    music_close(stream);
}

TEST_F(MusicTest, EndsOnlyOnceTheQueueHasRunDry) {
    // Half a second before the end: the prefill reaches end of stream.
    double length = 0.0;
    ASSERT_EQ(probe_track_duration_file(track.c_str(), &length), 1);
    ASSERT_GT(length, 240.0) << "expects the full-length track";
    ASSERT_EQ(music_open(stream, length - 0.5), 1);
    EXPECT_EQ(stream.decode_finished, 1);
    EXPECT_EQ(stream.ended, 0);
    EXPECT_EQ(stream.active, 1);
    // More still waiting in the queue (200 KiB): a later call only watches.
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

// The caller writes the one message; the opening itself stays quiet.
TEST_F(MusicTest, UnplayableTrackOrDeviceFailsQuietly) {
    testing::internal::CaptureStderr();
    std::string missing = scratch_path("missing.mp3");
    EXPECT_EQ(music_open_file(stream, missing.c_str(), 0.0), 0);
    EXPECT_EQ(stream.active, 0);
    EXPECT_EQ(stream.device, 0u);
    music_close(stream);

    std::string text = scratch_path("text.mp3");
    FILE* f = std::fopen(text.c_str(), "w");
    ASSERT_NE(f, nullptr);
    for (int i = 0; i < 500; ++i) std::fputs("this is not an mp3 file at all\n", f);
    std::fclose(f);
    EXPECT_EQ(music_open_file(stream, text.c_str(), 0.0), 0);
    EXPECT_EQ(stream.device, 0u);
    music_close(stream);
    std::remove(text.c_str());

    // No audio subsystem: the device cannot be opened.
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    EXPECT_EQ(music_open_file(stream, track.c_str(), 0.0), 0);
    EXPECT_EQ(stream.active, 0);
    EXPECT_NE(stream.decoder, nullptr);  // left for music_close
    music_close(stream);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Stand-in decoders for the read loop.
namespace {
int reads = 0;
int read_success_without_bytes(mpg123_handle*, void*, size_t, size_t* done) {
    ++reads;
    *done = 0;
    return MPG123_OK;
}
int read_full_buffers(mpg123_handle*, void*, size_t size, size_t* done) {
    ++reads;
    *done = reads == 1 ? 0 : size;
    return reads == 1 ? MPG123_NEW_FORMAT : MPG123_OK;
}
int read_one_buffer_then_fail(mpg123_handle*, void*, size_t size, size_t* done) {
    ++reads;
    *done = reads == 1 ? size : 0;
    return reads == 1 ? MPG123_OK : MPG123_ERR;
}

SDL_AudioDeviceID open_paused_device() {
    SDL_AudioSpec spec;
    SDL_memset(&spec, 0, sizeof spec);
    spec.freq = 44100;
    spec.format = AUDIO_S16LSB;
    spec.channels = 2;
    spec.samples = 2048;
    return SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
}
}  // namespace

TEST_F(MusicTest, DecoderThatNeverDeliversStopsTheStream) {
    stream = MusicStream{};
    stream.device = open_paused_device();
    ASSERT_NE(stream.device, 0u);
    stream.active = 1;
    reads = 0;
    music_decoder_read = read_success_without_bytes;
    music_update(stream);  // must return
    EXPECT_EQ(stream.active, 0);
    EXPECT_EQ(stream.ended, 0);
    EXPECT_EQ(reads, music_max_empty_reads);
    SDL_CloseAudioDevice(stream.device);
}

TEST_F(MusicTest, TopUpStopsJustPastTargetAndErrorsStopForGood) {
    stream = MusicStream{};
    stream.device = open_paused_device();
    ASSERT_NE(stream.device, 0u);
    stream.active = 1;
    reads = 0;
    music_decoder_read = read_full_buffers;
    music_update(stream);
    // One empty format notice, then four full buffers reach 128 KiB + 0,
    // which is above 131071: no fifth read.
    EXPECT_EQ(reads, 5);
    EXPECT_EQ(SDL_GetQueuedAudioSize(stream.device), 131072u);
    EXPECT_EQ(stream.active, 1);
    music_update(stream);
    EXPECT_EQ(reads, 5);

    SDL_ClearQueuedAudio(stream.device);
    reads = 0;
    music_decoder_read = read_one_buffer_then_fail;
    music_update(stream);
    EXPECT_EQ(stream.active, 0);
    EXPECT_EQ(stream.ended, 0);
    EXPECT_EQ(SDL_GetQueuedAudioSize(stream.device), 32768u);  // still plays out
    SDL_CloseAudioDevice(stream.device);
}

TEST(MusicProbe, LengthWithFloorAndLoudFailure) {
    double duration = 0.0;
    ASSERT_EQ(probe_track_duration_file(track.c_str(), &duration), 1);
    EXPECT_GT(duration, 251.0);
    EXPECT_LT(duration, 253.0);

    std::string missing = scratch_path("missing.mp3");
    testing::internal::CaptureStderr();
    EXPECT_EQ(probe_track_duration_file(missing.c_str(), &duration), 0);
    std::string message = testing::internal::GetCapturedStderr();
    // One line of our own and none from the decoder library.
    EXPECT_NE(message.find(missing), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}
