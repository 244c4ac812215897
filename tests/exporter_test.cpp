// The palette lookup, the frame mapping, the PNG files and the encoding
// workers of the indexed PNG export.
#include "output/encode_workers.h"
#include "output/exporter.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::string make_temp_dir() {
    char pattern[] = "/tmp/ostrel-exporter-XXXXXX";
    return mkdtemp(pattern);
}

// Runs of all six colours, black bands and a few noisy rows, different for
// every seed and at the top and the bottom.
void fill_indexed(unsigned char* indexed, unsigned seed) {
    unsigned state = seed * 2654435761u + 1;
    for (size_t k = 0; k < indexed_frame_bytes; k++) {
        size_t x = k % indexed_width, y = k / indexed_width;
        state = state * 1103515245u + 12345u;
        indexed[k] = y % 97 < 40   ? 0
                     : y % 97 < 43 ? (unsigned char)((state >> 16) % 6)
                                   : (unsigned char)((x / (7 + seed) + y / 13 + seed) % 6);
    }
}

class ExporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(setup_exporter(exporter, "unused", 10), 1);
        dir = make_temp_dir();
        std::strcpy(exporter.directory, dir.c_str());
    }
    void TearDown() override {
        free_exporter(exporter);
        std::system(("rm -rf " + dir).c_str());
    }
    Exporter exporter;
    std::string dir;
};

TEST_F(ExporterTest, LookupTableMapsPaletteColoursToThemselves) {
    EXPECT_EQ(widen_5_bits(0), 0);
    EXPECT_EQ(widen_5_bits(16), 132);
    EXPECT_EQ(widen_5_bits(31), 255);
    EXPECT_EQ(lookup_index(89, 89, 89), (11u << 10) | (11u << 5) | 11u);
    EXPECT_EQ(exporter.lookup[lookup_index(89, 89, 89)], 2);  // 11 widens to 90
    for (int i = 0; i < export_palette_count; i++) {
        const unsigned char* c = export_palette[i];
        EXPECT_EQ(exporter.lookup[lookup_index(c[0], c[1], c[2])], i) << "palette entry " << i;
    }
    // The tree scene's tones fall onto pure red and green.
    EXPECT_EQ(exporter.lookup[lookup_index(255, 31, 0)], 3);
    EXPECT_EQ(exporter.lookup[lookup_index(46, 255, 0)], 4);
}

// The mapping skips black blocks of eight pixels: lit pixels at every
// offset and a count that is no whole number of blocks.
TEST_F(ExporterTest, MappingMatchesThePerPixelRule) {
    std::vector<unsigned char> rgb(indexed_frame_bytes * 3, 0);
    unsigned state = 7;
    for (size_t k = 0; k < rgb.size(); k += 3) {
        state = state * 1103515245u + 12345u;
        if ((state >> 16) % 13 == 0) std::memcpy(&rgb[k], &state, 3);
    }
    std::vector<unsigned char> indexed(indexed_frame_bytes, 99);
    const size_t pixels = indexed_frame_bytes - 5;
    map_frame_to_palette(rgb.data(), exporter.lookup, indexed.data(), pixels);
    for (size_t k = 0; k < pixels; k++) {
        ASSERT_EQ(indexed[k], exporter.lookup[lookup_index(rgb[k * 3], rgb[k * 3 + 1], rgb[k * 3 + 2])]) << k;
    }
    EXPECT_EQ(indexed[pixels], 99) << "wrote past the pixel count";
}

TEST(FramePath, NumbersFromOneWithAtLeastSixDigits) {
    char path[64];
    ASSERT_EQ(format_frame_path(path, sizeof path, "out", 1), 1);
    EXPECT_STREQ(path, "out/frame-000001.png");
    ASSERT_EQ(format_frame_path(path, sizeof path, "out", 1000000), 1);
    EXPECT_STREQ(path, "out/frame-1000000.png");
    EXPECT_EQ(format_frame_path(path, 20, "out", 1), 0);
}

TEST_F(ExporterTest, WritesAPalettePngWithTheTopRowFirstOverAnOlderFile) {
    fill_indexed(exporter.indexed, 3);
    std::memset(exporter.indexed + indexed_frame_bytes - indexed_width, 5, indexed_width);  // top row
    std::string path = dir + "/frame-000001.png";
    std::ofstream(path) << "stale";
    ASSERT_EQ(exporter_write_png(exporter, path.c_str()), 1);

    FILE* file = std::fopen(path.c_str(), "rb");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_read_info(png, info);
    EXPECT_EQ(png_get_image_width(png, info), 1920u);
    EXPECT_EQ(png_get_image_height(png, info), 1080u);
    EXPECT_EQ(png_get_bit_depth(png, info), 8);
    EXPECT_EQ(png_get_color_type(png, info), PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(png_get_valid(png, info, PNG_INFO_tRNS), 0u);
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    ASSERT_EQ(count, 6);
    EXPECT_EQ(std::memcmp(colours, export_palette, sizeof export_palette), 0);
    std::vector<unsigned char> row(1920);
    for (int y = 0; y < 1080; y++) {
        png_read_row(png, row.data(), nullptr);
        ASSERT_EQ(std::memcmp(row.data(), exporter.indexed + (size_t)(1079 - y) * 1920, 1920), 0) << "row " << y;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    EXPECT_FALSE(exists(path + ".tmp"));
}

// A file size limit stops the write part-way, like a full disk.
TEST_F(ExporterTest, AFileThatCannotBeCompletedIsRemoved) {
    std::string path = dir + "/frame-000001.png";
    fill_indexed(exporter.indexed, 5);
    struct rlimit saved, small;
    getrlimit(RLIMIT_FSIZE, &saved);
    small = saved;
    small.rlim_cur = 4096;
    void (*old_handler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    int result = exporter_write_png(exporter, path.c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(exists(path));
    EXPECT_FALSE(exists(path + ".tmp"));
}

// More frames than the ring has slots, starting with a still stretch that
// is written again without encoding: every file under its own number, with
// the bytes of the plain writer.
TEST_F(ExporterTest, WorkersWriteEveryFrameAsThePlainWriterDoes) {
    const int frames = 9;
    auto picture = [](int f) { return f <= 4 ? 0u : (unsigned)f; };
    ASSERT_EQ(start_encode_workers(exporter, 2), 1);
    for (int f = 1; f <= frames; f++) {
        fill_indexed(acquire_encode_slot(), picture(f));
        submit_encode_slot(f);
    }
    EncodeReport report;
    stop_encode_workers(report);
    EXPECT_EQ(report.frames_written, frames);
    EXPECT_EQ(report.failed_frame, 0);
    EXPECT_LT(report.arena_peak, png_arena_bytes / 2);
    std::string reference = dir + "/reference.png";
    for (int f = 1; f <= frames; f++) {
        char path[1100];
        format_frame_path(path, sizeof path, dir.c_str(), f);
        fill_indexed(exporter.indexed, picture(f));
        ASSERT_EQ(exporter_write_png(exporter, reference.c_str()), 1);
        EXPECT_EQ(read_file(path), read_file(reference)) << "frame " << f;
    }
}

// After a failure only the frames before it remain, whichever worker
// finished first.
TEST_F(ExporterTest, WorkersReportTheFirstFailedFrameAndKeepOnlyTheFramesBeforeIt) {
    mkdir((dir + "/frame-000003.png").c_str(), 0755);  // frame 3 cannot be renamed into place
    ASSERT_EQ(start_encode_workers(exporter, 2), 1);
    for (int f = 1; f <= 5; f++) {
        fill_indexed(acquire_encode_slot(), (unsigned)f);
        submit_encode_slot(f);
    }
    EncodeReport report;
    stop_encode_workers(report);
    EXPECT_EQ(report.frames_written, 2);
    EXPECT_EQ(report.failed_frame, 3);
    EXPECT_EQ(std::string(report.failed_path), dir + "/frame-000003.png");
    EXPECT_NE(report.error_number, 0);
    EXPECT_TRUE(exists(dir + "/frame-000002.png"));
    EXPECT_FALSE(exists(dir + "/frame-000003.png.tmp"));
    EXPECT_FALSE(exists(dir + "/frame-000004.png"));
    EXPECT_FALSE(exists(dir + "/frame-000005.png"));
}

}  // namespace
