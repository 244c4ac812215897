#include "timeline/track_length.h"

#include "timeline/timeline.h"

#include <cstring>

namespace {

struct FrameHeader {
    bool mpeg1;
    bool mono;
    int32_t rate;
    int32_t bytes;    // the whole frame, header included
    int32_t samples;  // per channel
};

const int bitrates_mpeg1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
const int bitrates_mpeg2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
const int rates_mpeg1[3] = {44100, 48000, 32000};

// A layer III frame header at p (4 bytes); free-format and reserved values
// are not frames.
bool read_frame_header(const unsigned char* p, FrameHeader* h) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int version = (p[1] >> 3) & 3;  // 3: MPEG 1, 2: MPEG 2, 0: MPEG 2.5
    const int layer = (p[1] >> 1) & 3;    // 1: layer III
    const int bitrate_index = p[2] >> 4;
    const int rate_index = (p[2] >> 2) & 3;
    if (version == 1 || layer != 1 || bitrate_index == 0 || bitrate_index == 15 || rate_index == 3) return false;
    h->mpeg1 = version == 3;
    h->mono = (p[3] >> 6) == 3;
    h->rate = rates_mpeg1[rate_index] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int kbps = (h->mpeg1 ? bitrates_mpeg1 : bitrates_mpeg2)[bitrate_index];
    const int padding = (p[2] >> 1) & 1;
    h->bytes = (h->mpeg1 ? 144000 : 72000) * kbps / h->rate + padding;
    h->samples = h->mpeg1 ? 1152 : 576;
    return true;
}

size_t id3v2_size(const unsigned char* data, size_t size) {
    if (size < 10 || std::memcmp(data, "ID3", 3) != 0) return 0;
    size_t tag = ((size_t)(data[6] & 0x7F) << 21) | ((size_t)(data[7] & 0x7F) << 14) |
                 ((size_t)(data[8] & 0x7F) << 7) | (size_t)(data[9] & 0x7F);
    tag += 10;
    if (data[5] & 0x10) tag += 10;  // a footer
    return tag;
}

struct InfoTag {
    int64_t frames;  // the audio frames the encoder wrote; -1: not said
    int64_t delay;   // samples the decoder drops at the start
    int64_t padding; // and at the end
};

// The first frame may hold no audio but a Xing or Info tag (with the
// frame count when its flag 1 is set), and after it the LAME tag with the
// encoder's delay and padding (12 bits each).
bool read_info_frame(const unsigned char* frame, const FrameHeader& h, InfoTag* info) {
    const int side_info = h.mpeg1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    const int tag = 4 + side_info;
    if (tag + 12 > h.bytes) return false;
    if (std::memcmp(frame + tag, "Xing", 4) != 0 && std::memcmp(frame + tag, "Info", 4) != 0) return false;
    if (frame[tag + 7] & 1) {
        info->frames = ((int64_t)frame[tag + 8] << 24) | ((int64_t)frame[tag + 9] << 16) |
                       ((int64_t)frame[tag + 10] << 8) | (int64_t)frame[tag + 11];
    }
    const int gapless = tag + 141;
    if (gapless + 3 <= h.bytes) {
        info->delay = ((int64_t)frame[gapless] << 4) | (frame[gapless + 1] >> 4);
        info->padding = ((int64_t)(frame[gapless + 1] & 0x0F) << 8) | frame[gapless + 2];
    }
    return true;
}

}  // namespace

int measure_mp3_length(const unsigned char* data, size_t size, TrackLength* out) {
    size_t at = id3v2_size(data, size);
    int64_t samples = 0, frames = 0;
    InfoTag info = {-1, 0, 0};
    int32_t rate = 0;
    bool first = true;
    FrameHeader h;
    while (at + 4 <= size && read_frame_header(data + at, &h) && at + (size_t)h.bytes <= size) {
        if (rate != 0 && h.rate != rate) break;  // another stream: not ours
        rate = h.rate;
        if (!(first && read_info_frame(data + at, h, &info))) {
            samples += h.samples;
            frames++;
        }
        first = false;
        at += (size_t)h.bytes;
    }
    if (samples == 0) return 0;
    // A track cut short of the frames its tag announces is played whole,
    // as a gapless decoder does: its end is not the encoder's padding.
    if (info.frames < 0 || info.frames == frames) samples -= info.delay + info.padding;
    if (samples < 0) samples = 0;
    *out = TrackLength{samples, rate, info.frames >= 0 && frames < info.frames};
    return 1;
}

double track_duration_seconds(const TrackLength& length) {
    const double seconds = (double)length.samples / (double)length.rate;
    return seconds > piece_end ? seconds : piece_end;
}
