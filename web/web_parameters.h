// The page's URL parameters, read as the command line reads its options:
// seed (reduced to 0..9999; none: a fresh seed), start (song time) and
// frame (a still: exactly that frame of the run the others describe). A
// value that is not what it should be gets one line naming it and what is
// done instead. Pure code, with no browser in it.
#pragma once

#include <cstdint>

const int web_messages_capacity = 2048;

struct WebParameters {
    uint64_t seed;         // 0..9999
    bool seed_given;
    double start_seconds;  // as --start reads it
    int64_t run_frames;    // the frames of the offline run with this start
    int64_t still_frame;   // 1..run_frames, or 0: play the piece
    char messages[web_messages_capacity];  // one line each, '\n'-ended
};

// seed, start and frame are the parameters' values, null when absent.
// fresh_seed is taken when no seed is given; duration is the song time at
// which the run closes (the track's length, at least bar 135).
void read_web_parameters(WebParameters& out, const char* seed, const char* start, const char* frame,
                         uint64_t fresh_seed, double duration);
