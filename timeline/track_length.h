// The length of an MP3 track held in memory, measured from its frame
// headers without decoding: the frames' samples less the encoder's delay
// and padding that its LAME tag records, the length a gapless decoder
// plays. Used where no MP3 decoder of ours runs (the browser, which decodes
// the track itself), so the piece still ends on the frame it ends on
// offline. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

struct TrackLength {
    int64_t samples;  // per channel
    int32_t rate;     // samples per second
    bool cut_short;   // fewer frames than its Xing or Info tag announces
};

// Layer III streams (MPEG 1, 2 and 2.5) after an optional ID3v2 tag; the
// scan ends at the first byte that starts no frame, and a frame cut off by
// the end of the data is not counted. 1 with out set, 0 when no audio frame
// is found.
int measure_mp3_length(const unsigned char* data, size_t size, TrackLength* out);

// The song time at which an offline run of this track closes: its length
// in seconds, at least the piece's own end (bar 135).
double track_duration_seconds(const TrackLength& length);
