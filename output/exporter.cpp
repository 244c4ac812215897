#include "output/exporter.h"

#include <cstdio>
#include <cstdlib>
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

// Scratch for exporter_write_png, made once on first use (main thread).
PngScratch main_thread_scratch;
bool main_thread_scratch_ready = false;

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

int format_frame_path(char* out, size_t size, const char* directory, int64_t frame_number) {
    int n = std::snprintf(out, size, "%s/frame-%06ld.png", directory, (long)frame_number);
    return n >= 0 && (size_t)n < size ? 1 : 0;
}

int setup_exporter(Exporter& exporter, const char* directory) {
    std::memset(&exporter, 0, sizeof exporter);
    if (std::strlen(directory) >= export_directory_capacity) return 0;
    exporter.rgb = (unsigned char*)std::malloc(indexed_frame_bytes * 3);
    exporter.indexed = (unsigned char*)std::malloc(indexed_frame_bytes);
    exporter.lookup = (unsigned char*)std::malloc(lookup_table_bytes);
    if (exporter.rgb == nullptr || exporter.indexed == nullptr || exporter.lookup == nullptr) {
        free_exporter(exporter);
        return 0;
    }
    std::memcpy(exporter.directory, directory, std::strlen(directory) + 1);
    std::memcpy(exporter.palette, export_palette, sizeof export_palette);
    exporter.palette_count = export_palette_count;
    build_lookup_table(exporter.lookup, exporter.palette, exporter.palette_count);
    return 1;
}

void free_exporter(Exporter& exporter) {
    std::free(exporter.rgb);
    std::free(exporter.indexed);
    std::free(exporter.lookup);
    std::memset(&exporter, 0, sizeof exporter);
}

int exporter_write_png(const Exporter& exporter, const char* path) {
    if (!main_thread_scratch_ready) {
        if (!alloc_png_scratch(main_thread_scratch)) return 0;
        main_thread_scratch_ready = true;
    }
    return write_indexed_png(path, exporter.indexed, exporter.palette, exporter.palette_count, main_thread_scratch);
}
