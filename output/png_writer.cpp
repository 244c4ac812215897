#include "output/png_writer.h"

#include "output/file_places.h"

#include <libdeflate.h>

#include <atomic>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const unsigned char png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};

void put_u32(unsigned char* p, uint32_t v) {
    p[0] = (unsigned char)(v >> 24);
    p[1] = (unsigned char)(v >> 16);
    p[2] = (unsigned char)(v >> 8);
    p[3] = (unsigned char)v;
}

// Frames the chunk whose data (length bytes) already lies at p + 8: writes
// its length, type and CRC; returns the chunk's whole size.
size_t frame_chunk(unsigned char* p, const char* type, size_t length) {
    put_u32(p, (uint32_t)length);
    std::memcpy(p + 4, type, 4);
    put_u32(p + 8 + length, libdeflate_crc32(0, p + 4, length + 4));
    return length + 12;
}

}  // namespace

// Numbers the writers of this process, so that each has temporary names of
// its own.
static std::atomic<int> writers_made{0};

int alloc_png_scratch(PngScratch& scratch) {
    std::memset(&scratch, 0, sizeof scratch);
    scratch.writer_id = ++writers_made;
    scratch.compressor = libdeflate_alloc_compressor(png_deflate_level);
    scratch.raw = (unsigned char*)std::malloc(png_raw_bytes);
    scratch.file = (unsigned char*)std::malloc(png_file_capacity);
    const size_t framing = 8 + 25 + (12 + 256 * 3) + 12 + 12;
    if (scratch.compressor == nullptr || scratch.raw == nullptr || scratch.file == nullptr ||
        libdeflate_zlib_compress_bound(scratch.compressor, png_raw_bytes) + framing > png_file_capacity) {
        free_png_scratch(scratch);
        return 0;
    }
    return 1;
}

void free_png_scratch(PngScratch& scratch) {
    if (scratch.compressor != nullptr) libdeflate_free_compressor(scratch.compressor);
    std::free(scratch.raw);
    std::free(scratch.file);
    std::memset(&scratch, 0, sizeof scratch);
}

int encode_indexed_png(const unsigned char* indexed, const unsigned char (*palette)[3], int palette_count,
                       PngScratch& scratch) {
    scratch.error_number = 0;
    scratch.file_size = 0;
    if (palette_count < 1 || palette_count > 256) return 0;
    // Rows top first (the read-back comes bottom row first), filter 0.
    for (int k = 0; k < indexed_height; k++) {
        unsigned char* row = scratch.raw + (size_t)k * png_row_bytes;
        row[0] = 0;
        std::memcpy(row + 1, indexed + (size_t)(indexed_height - 1 - k) * indexed_width, indexed_width);
    }
    unsigned char* p = scratch.file;
    std::memcpy(p, png_signature, sizeof png_signature);
    p += sizeof png_signature;
    // IHDR: width, height, bit depth 8, colour type 3 (palette), deflate,
    // adaptive filtering, no interlace.
    put_u32(p + 8, (uint32_t)indexed_width);
    put_u32(p + 12, (uint32_t)indexed_height);
    const unsigned char header_tail[5] = {8, 3, 0, 0, 0};
    std::memcpy(p + 16, header_tail, sizeof header_tail);
    p += frame_chunk(p, "IHDR", 13);
    std::memcpy(p + 8, palette, (size_t)palette_count * 3);
    p += frame_chunk(p, "PLTE", (size_t)palette_count * 3);
    const size_t room = png_file_capacity - (size_t)(p - scratch.file) - 12 - 12;
    size_t deflated = libdeflate_zlib_compress(scratch.compressor, scratch.raw, png_raw_bytes, p + 8, room);
    if (deflated == 0) return 0;
    p += frame_chunk(p, "IDAT", deflated);
    p += frame_chunk(p, "IEND", 0);
    scratch.file_size = (size_t)(p - scratch.file);
    return 1;
}

int write_file_atomically(const char* path, const unsigned char* bytes, size_t size, PngScratch& scratch) {
    scratch.error_number = 0;
    if (!format_frame_temp_path(scratch.temp_path, sizeof scratch.temp_path, path, (long)getpid(),
                                scratch.writer_id)) {
        scratch.error_number = ENAMETOOLONG;
        return 0;
    }
    // The temporary file is always a new file of our own, under a name that
    // no other run (process id) and no other writer of this run uses: never
    // opened through a link, never an existing file. A name already taken
    // (left by a killed run of the same id, or planted) is removed itself,
    // never what it points to, and the file is created once more.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int fd = open(scratch.temp_path, flags, 0644);
    if (fd < 0 && errno == EEXIST && unlink(scratch.temp_path) == 0) fd = open(scratch.temp_path, flags, 0644);
    if (fd < 0) {
        scratch.error_number = errno;
        return 0;
    }
    size_t done = 0;
    while (done < size) {
        ssize_t written = write(fd, bytes + done, size - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            scratch.error_number = written < 0 ? errno : EIO;
            break;
        }
        done += (size_t)written;
    }
    if (close(fd) != 0 && scratch.error_number == 0) scratch.error_number = errno;
    if (scratch.error_number == 0 && rename(scratch.temp_path, path) != 0) scratch.error_number = errno;
    if (scratch.error_number != 0) {
        unlink(scratch.temp_path);
        return 0;
    }
    return 1;
}

int write_indexed_png(const char* path, const unsigned char* indexed, const unsigned char (*palette)[3],
                      int palette_count, PngScratch& scratch) {
    if (!encode_indexed_png(indexed, palette, palette_count, scratch)) return 0;
    return write_file_atomically(path, scratch.file, scratch.file_size, scratch);
}
