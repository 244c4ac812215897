#include "output/exporter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Scratch for exporter_write_png, made once on first use (main thread).
PngScratch main_thread_scratch;
bool main_thread_scratch_ready = false;

}  // namespace

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
