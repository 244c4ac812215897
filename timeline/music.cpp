#include "timeline/music.h"

#include "output/file_places.h"
#include "timeline/timeline.h"
#include "timeline/track.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

DecoderRead music_decoder_read = mpg123_read;

double music_latency(long rate) {
    return 2048.0 / (double)rate + 0.018791 + 0.14;
}

long music_seek_offset(long rate, double start_seconds) {
    return (long)((double)rate * start_seconds);
}

int music_open_file(MusicStream& stream, const char* path, double start_seconds) {
    std::memset(&stream, 0, sizeof stream);
    if (mpg123_init() != MPG123_OK) return 0;
    int error = 0;
    stream.decoder = mpg123_new(nullptr, &error);
    if (stream.decoder == nullptr) return 0;
    // The library's own notes would add lines beside the one fixed message.
    mpg123_param(stream.decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    if (!track_may_be_opened(path) || mpg123_open(stream.decoder, path) != MPG123_OK) return 0;

    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(stream.decoder, &rate, &channels, &encoding) != MPG123_OK) return 0;
    mpg123_format_none(stream.decoder);
    if (mpg123_format(stream.decoder, rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK) return 0;

    // The decoder counts samples per channel; the requested start is used
    // even when the graph seek stopped earlier.
    if (start_seconds > 0.0) {
        long offset = music_seek_offset(rate, start_seconds);
        if (offset > 0 && mpg123_seek(stream.decoder, (off_t)offset, SEEK_SET) < 0) return 0;
    }

    SDL_AudioSpec spec;
    SDL_memset(&spec, 0, sizeof spec);
    spec.freq = (int)rate;
    spec.format = AUDIO_S16LSB;
    spec.channels = (Uint8)channels;
    spec.samples = 2048;
    spec.callback = nullptr;
    spec.userdata = nullptr;
    stream.latency = music_latency(rate);

    stream.device = SDL_OpenAudioDevice(nullptr, 0, &spec, nullptr, 0);
    if (stream.device == 0) return 0;

    // Prefill while the device is still paused.
    stream.active = 1;
    music_update(stream);
    return 1;
}

int music_open(MusicStream& stream, double start_seconds) {
    std::memset(&stream, 0, sizeof stream);
    const char* track = find_music_track(false);
    return track != nullptr && music_open_file(stream, track, start_seconds);
}

static void check_drained(MusicStream& stream) {
    if (SDL_GetQueuedAudioSize(stream.device) == 0) {
        stream.ended = 1;
        stream.active = 0;
    }
}

void music_update(MusicStream& stream) {
    int empty_reads = 0;
    for (;;) {
        if (stream.decode_finished) {
            check_drained(stream);
            return;
        }
        if (SDL_GetQueuedAudioSize(stream.device) > music_queue_target) return;
        size_t done = 0;
        int result = music_decoder_read(stream.decoder, stream.buffer, music_buffer_bytes, &done);
        if (done > 0) SDL_QueueAudio(stream.device, stream.buffer, (Uint32)done);
        if (result == MPG123_DONE) {
            stream.decode_finished = 1;
            continue;
        }
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            // What is queued plays out; the stream is never resumed.
            stream.active = 0;
            return;
        }
        // A decoder that keeps claiming success without producing anything
        // would hold this loop forever: stop it like a failed one.
        empty_reads = done > 0 ? 0 : empty_reads + 1;
        if (empty_reads >= music_max_empty_reads) {
            stream.active = 0;
            return;
        }
    }
}

void music_close(MusicStream& stream) {
    if (stream.device != 0) SDL_CloseAudioDevice(stream.device);
    if (stream.decoder != nullptr) {
        mpg123_close(stream.decoder);
        mpg123_delete(stream.decoder);
    }
    mpg123_exit();
}
