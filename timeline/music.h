// The music track, decoded with libmpg123 and pushed into an SDL audio
// device opened in queued mode.
#pragma once

#include <SDL2/SDL.h>
#include <mpg123.h>

const int music_buffer_bytes = 32768;

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
// Tops up the device queue; call only while active.
void music_update(MusicStream& stream);
// Closes the device and decoder and shuts the decoder library down.
void music_close(MusicStream& stream);
// Length of "src/beat3-140bpm.mp3" under the working directory, at least
// piece_end seconds. 1 on success.
int probe_track_duration(double* duration);
