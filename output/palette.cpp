#include "output/palette.h"

#include <cstring>

const unsigned char export_palette[export_palette_count][3] = {
    {0, 0, 0}, {255, 255, 255}, {89, 89, 89}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255},
};

namespace {

int nearest_palette_entry(int r8, int g8, int b8, const unsigned char (*palette)[3], int palette_count) {
    int best = 0;
    int best_distance = -1;
    for (int i = 0; i < palette_count; i++) {
        int dr = r8 - palette[i][0];
        int dg = g8 - palette[i][1];
        int db = b8 - palette[i][2];
        int distance = dr * dr + dg * dg + db * db;
        if (best_distance < 0 || distance < best_distance) {
            best = i;
            best_distance = distance;
        }
        if (distance == 0) break;
    }
    return best;
}

}  // namespace

void build_lookup_table(unsigned char* lookup, const unsigned char (*palette)[3], int palette_count) {
    for (int r5 = 0; r5 < 32; r5++) {
        for (int g5 = 0; g5 < 32; g5++) {
            for (int b5 = 0; b5 < 32; b5++) {
                int entry =
                    nearest_palette_entry(widen_5_bits(r5), widen_5_bits(g5), widen_5_bits(b5), palette, palette_count);
                lookup[(r5 << 10) | (g5 << 5) | b5] = (unsigned char)entry;
            }
        }
    }
}

void map_frame_to_palette(const unsigned char* rgb, const unsigned char* lookup, unsigned char* indexed,
                          size_t pixels) {
    // Most of every frame is black: eight black pixels (24 zero bytes) are
    // recognised with three word loads and stored with one.
    const unsigned char black = lookup[0];
    uint64_t black8;
    std::memset(&black8, black, sizeof black8);
    size_t k = 0;
    for (; k + 8 <= pixels; k += 8) {
        const unsigned char* p = rgb + k * 3;
        uint64_t w0, w1, w2;
        std::memcpy(&w0, p, 8);
        std::memcpy(&w1, p + 8, 8);
        std::memcpy(&w2, p + 16, 8);
        if ((w0 | w1 | w2) == 0) {
            std::memcpy(indexed + k, &black8, 8);
            continue;
        }
        for (int i = 0; i < 8; i++) {
            indexed[k + i] = lookup[lookup_index(p[i * 3], p[i * 3 + 1], p[i * 3 + 2])];
        }
    }
    for (; k < pixels; k++) {
        const unsigned char* p = rgb + k * 3;
        indexed[k] = lookup[lookup_index(p[0], p[1], p[2])];
    }
}

