// The CRC-32s of a frame as the committed reference values take them
// (zlib's crc32(0, data, size)), for the browser build, which has no zlib.
// Eight bytes a step through eight tables; a run of zero bytes is a step per
// set bit of its length in words, so the black of a frame costs next to nothing.
#pragma once

#include <cstddef>
#include <cstdint>

struct FrameCrcs {
    uint32_t indexed;  // of the palette indexes, as map_frame_to_palette gives them
    uint32_t rgb;      // of the RGB bytes
};

// Both CRCs of an RGB frame of the given pixels in one pass over it, the
// indexes looked up in the palette's lookup table (output/palette.h), whose
// black must be index 0.
FrameCrcs frame_crcs(const unsigned char* rgb, const unsigned char* lookup, size_t pixels);
