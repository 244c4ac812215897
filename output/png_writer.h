// Writing one 1920x1080 8-bit palette PNG file: the rows (each with filter
// byte 0, top row first) deflated in one call by libdeflate into a zlib
// stream, framed as IHDR, PLTE, IDAT and IEND chunks. libdeflate at level 6
// encodes a frame in about half of zlib's time, into files about a tenth
// larger. Every buffer is made once per writer, so a frame costs no heap
// allocation. A frame file is written under a temporary name of its writer's
// own and renamed when complete: a real frame name never holds a
// half-written file.
#pragma once

#include "render/screen.h"

#include <cstddef>
#include <cstdint>

struct libdeflate_compressor;

const int indexed_width = screen_width;
const int indexed_height = screen_height;
const size_t indexed_frame_bytes = screen_pixels;  // one byte per pixel
const size_t png_row_bytes = (size_t)indexed_width + 1;  // filter byte and pixels
const size_t png_raw_bytes = png_row_bytes * indexed_height;  // 2,074,680
const int png_deflate_level = 6;
// Larger than any file: the deflate bound of the raw bytes plus the chunk
// framing (checked when a writer is made).
const size_t png_file_capacity = 2560u * 1024u;
const size_t frame_path_capacity = 1024 + 64;

// Reusable resources of one writer; one per thread that writes PNG files.
struct PngScratch {
    libdeflate_compressor* compressor;
    unsigned char* raw;    // png_raw_bytes: the filtered rows
    unsigned char* file;   // png_file_capacity: the encoded file
    size_t file_size;      // bytes of the last encoded file
    int error_number;      // errno of the last failure, 0 if none
    int writer_id;         // this writer's number in the process
    char temp_path[frame_path_capacity + 32];
};

// 1 on success; on failure nothing is left allocated.
int alloc_png_scratch(PngScratch& scratch);
void free_png_scratch(PngScratch& scratch);

// Encodes indexed (rows bottom first, as read back) as a palette PNG with
// its rows top first into scratch.file. 1 on success.
int encode_indexed_png(const unsigned char* indexed, const unsigned char (*palette)[3], int palette_count,
                       PngScratch& scratch);
// Writes size bytes to path through its temporary name path + ".PID-W.tmp"
// (this process's id and the writer's number),
// created new (never through a link: a link or file already there is
// removed first). 1 on success; 0 with the errno in scratch.error_number and
// no file left behind.
int write_file_atomically(const char* path, const unsigned char* bytes, size_t size, PngScratch& scratch);
// Both: encodes and writes the file. 0 on failure, with the errno in
// scratch.error_number (0 when the encoding itself failed) and no file left
// at path or at its temporary name.
int write_indexed_png(const char* path, const unsigned char* indexed, const unsigned char (*palette)[3],
                      int palette_count, PngScratch& scratch);
