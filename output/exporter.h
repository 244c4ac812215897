// The indexed PNG export: every frame mapped onto a fixed six-colour palette
// through a 32,768-entry nearest-colour table and written as a palette PNG.
#pragma once

#include "output/file_places.h"
#include "output/palette.h"
#include "output/png_writer.h"

#include <cstddef>
#include <cstdint>

const size_t export_directory_capacity = 1024;

struct Exporter {
    unsigned char* rgb;      // frame as read back, bottom row first
    unsigned char* indexed;  // one palette index per pixel, same order
    unsigned char* lookup;   // palette index of every 15-bit colour
    unsigned char palette[256][3];
    int32_t palette_count;
    char directory[export_directory_capacity];
};

// Allocates the three buffers and fills the palette, lookup table and
// directory; directory must be shorter than export_directory_capacity.
// 1 on success; on failure the exporter is left zeroed.
int setup_exporter(Exporter& exporter, const char* directory);
void free_exporter(Exporter& exporter);

// Writes the exporter's indexed buffer with its palette to path. 1 on
// success, 0 on any failure (no file is left at path then).
int exporter_write_png(const Exporter& exporter, const char* path);
