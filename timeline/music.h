// The music track, decoded with libmpg123 and pushed into an SDL audio
// device opened in queued mode.
#pragma once

#include <SDL2/SDL.h>
#include <mpg123.h>

#include "timeline/track.h"

#include <cstddef>

const int music_buffer_bytes = 32768;
// music_update stops queueing once the device holds at least 128 KiB.
const Uint32 music_queue_target = 131071;
// A decoder that reports success this many times in a row without
// delivering a byte is treated like one that failed.
const int music_max_empty_reads = 64;

struct MusicStream {
    mpg123_handle* decoder;
    SDL_AudioDeviceID device;
    unsigned char buffer[music_buffer_bytes];
    int active;           // playing and being topped up
    int decode_finished;  // the decoder has returned end of stream
    int ended;            // end of stream reached and the queue has run dry
    double latency;       // seconds from queue to ear
};

// Opens the track beside the executable, seeks to start_seconds, opens the
// device and prefills the queue (device still paused). 1 on success.
int music_open(MusicStream& stream, double start_seconds);
// The same for a track at an explicit path.
int music_open_file(MusicStream& stream, const char* path, double start_seconds);
// Tops up the device queue; call only while active.
void music_update(MusicStream& stream);
// Closes the device and decoder and shuts the decoder library down.
void music_close(MusicStream& stream);
// Estimated seconds from queueing a sample to hearing it: one 2048-sample
// device buffer plus a fixed allowance for the driver and the hardware.
double music_latency(long rate);
// Decoder position (samples per channel) at which start_seconds is heard.
long music_seek_offset(long rate, double start_seconds);

// The decoder read behind music_update; tests put a stand-in here.
typedef int (*DecoderRead)(mpg123_handle* decoder, void* out, size_t size, size_t* done);
extern DecoderRead music_decoder_read;
