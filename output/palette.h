// The six colours of the indexed output and the mapping of RGB frames onto
// them through a 32,768-entry nearest-colour table. Pure code.
#pragma once

#include <cstddef>
#include <cstdint>

const int export_palette_count = 6;
const size_t lookup_table_bytes = 32768;

// Black, white, the ghost grey, red, green, blue.
extern const unsigned char export_palette[export_palette_count][3];

// ((R >> 3) << 10) | ((G >> 3) << 5) | (B >> 3).
inline unsigned lookup_index(unsigned char r, unsigned char g, unsigned char b) {
    return ((unsigned)(r >> 3) << 10) | ((unsigned)(g >> 3) << 5) | (unsigned)(b >> 3);
}
// A 5-bit channel widened to 8 bits: (v << 3) | (v >> 2).
inline int widen_5_bits(int v) { return (v << 3) | (v >> 2); }

// Fills the 32,768 entries with the first nearest palette colour.
void build_lookup_table(unsigned char* lookup, const unsigned char (*palette)[3], int palette_count);
// indexed[k] = lookup[lookup_index(pixel k)] for pixels RGB pixels.
void map_frame_to_palette(const unsigned char* rgb, const unsigned char* lookup, unsigned char* indexed,
                          size_t pixels);
