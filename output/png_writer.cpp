#include "output/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// libpng and zlib take their memory from the arena in a bump pointer;
// everything is released at once when the next file starts.
png_voidp arena_malloc(png_structp png, png_alloc_size_t size) {
    PngScratch* scratch = (PngScratch*)png_get_mem_ptr(png);
    size_t start = (scratch->arena_used + 15u) & ~(size_t)15u;
    if (start > png_arena_bytes || size > png_arena_bytes - start) return nullptr;
    scratch->arena_used = start + size;
    if (scratch->arena_used > scratch->arena_peak) scratch->arena_peak = scratch->arena_used;
    return scratch->arena + start;
}

void arena_free(png_structp, png_voidp) {}

void sink_write(png_structp png, png_bytep data, size_t length) {
    PngScratch& scratch = *(PngScratch*)png_get_io_ptr(png);
    if (scratch.overflow || length > png_file_capacity - scratch.file_size) {
        scratch.overflow = true;
        return;
    }
    std::memcpy(scratch.file + scratch.file_size, data, length);
    scratch.file_size += length;
}

void sink_flush(png_structp) {}

// The encoding proper; 1 if libpng finished the image.
int run_libpng(const unsigned char* indexed, const unsigned char (*palette)[3], int palette_count,
               PngScratch& scratch) {
    png_structp png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr, &scratch,
                                                arena_malloc, arena_free);
    if (png == nullptr) return 0;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    for (int k = 0; k < indexed_height; k++) {
        scratch.rows[k] = indexed + (size_t)(indexed_height - 1 - k) * indexed_width;
    }
    png_color colours[256];
    for (int i = 0; i < palette_count; i++) {
        colours[i].red = palette[i][0];
        colours[i].green = palette[i][1];
        colours[i].blue = palette[i][2];
    }
    png_set_write_fn(png, &scratch, sink_write, sink_flush);
    png_set_IHDR(png, info, indexed_width, indexed_height, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, colours, palette_count);
    png_write_info(png, info);
    png_write_image(png, (png_bytepp)scratch.rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return 1;
}

}  // namespace

int alloc_png_scratch(PngScratch& scratch) {
    std::memset(&scratch, 0, sizeof scratch);
    scratch.arena = (unsigned char*)std::malloc(png_arena_bytes);
    scratch.file = (unsigned char*)std::malloc(png_file_capacity);
    if (scratch.arena == nullptr || scratch.file == nullptr) {
        free_png_scratch(scratch);
        return 0;
    }
    return 1;
}

void free_png_scratch(PngScratch& scratch) {
    std::free(scratch.arena);
    std::free(scratch.file);
    std::memset(&scratch, 0, sizeof scratch);
}

int encode_indexed_png(const unsigned char* indexed, const unsigned char (*palette)[3], int palette_count,
                       PngScratch& scratch) {
    scratch.error_number = 0;
    scratch.arena_used = 0;
    scratch.file_size = 0;
    scratch.overflow = false;
    if (run_libpng(indexed, palette, palette_count, scratch) == 1 && !scratch.overflow) return 1;
    scratch.file_size = 0;
    return 0;
}

int write_file_atomically(const char* path, const unsigned char* bytes, size_t size, PngScratch& scratch) {
    scratch.error_number = 0;
    int n = std::snprintf(scratch.temp_path, sizeof scratch.temp_path, "%s.tmp", path);
    if (n < 0 || (size_t)n >= sizeof scratch.temp_path) {
        scratch.error_number = ENAMETOOLONG;
        return 0;
    }
    // The temporary file is always a new file of our own: never opened
    // through a link, never an existing file. A name already taken (left by
    // a killed run, or planted) is removed itself, never what it points to,
    // and the file is created once more.
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
