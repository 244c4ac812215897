// The frame files, their names and the encoding workers of the indexed PNG
// export. (The palette mapping is pinned by the indexed reference values.)
#include "output/encode_workers.h"
#include "output/exporter.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <dirent.h>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Black bands and mixed runs of all six colours, different per seed.
void fill_indexed(unsigned char* indexed, unsigned seed) {
    for (size_t k = 0; k < indexed_frame_bytes; k++) {
        size_t x = k % indexed_width, y = k / indexed_width;
        indexed[k] = y % 97 < 40 ? 0 : (unsigned char)((x / (7 + seed) + y / 13 + seed + x * y % 5) % 6);
    }
}

class ExporterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(setup_exporter(exporter, "unused"), 1);
        char pattern[] = "/tmp/ostrel-exporter-XXXXXX";
        dir = mkdtemp(pattern);
        std::strcpy(exporter.directory, dir.c_str());
    }
    void TearDown() override {
        free_exporter(exporter);
        std::system(("rm -rf " + dir).c_str());
    }
    // Hands frames 1..count, frame f filled from seed(f), to two workers.
    template <class Seed> EncodeReport encode_frames(int count, Seed seed) {
        EXPECT_EQ(start_encode_workers(exporter, 2), 1);
        for (int f = 1; f <= count; f++) {
            fill_indexed(acquire_encode_slot(), seed(f));
            submit_encode_slot(f);
        }
        EncodeReport report;
        stop_encode_workers(report);
        return report;
    }
    Exporter exporter;
    std::string dir;
};

// The files are read back by libpng, an independent decoder: an 8-bit
// palette image with the six colours, the same pixels, rows top first.
TEST_F(ExporterTest, LibpngReadsBackTheSamePaletteAndPixels) {
    fill_indexed(exporter.indexed, 3);
    const std::string path = dir + "/frame.png";
    ASSERT_EQ(exporter_write_png(exporter, path.c_str()), 1);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0) << image.message;
    EXPECT_EQ(image.width, 1920u);
    EXPECT_EQ(image.height, 1080u);
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_COLORMAP, (unsigned)PNG_FORMAT_FLAG_COLORMAP);
    EXPECT_EQ(image.colormap_entries, 6u);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    std::string pixels(PNG_IMAGE_SIZE(image), '\0');
    std::string colours(PNG_IMAGE_COLORMAP_SIZE(image), '\0');
    ASSERT_NE(png_image_finish_read(&image, nullptr, &pixels[0], 0, &colours[0]), 0) << image.message;
    EXPECT_EQ(std::memcmp(colours.data(), export_palette, sizeof export_palette), 0);
    for (int y = 0; y < 1080; y += 7) {
        for (int x = 0; x < 1920; x += 3) {
            ASSERT_EQ((unsigned char)pixels[(size_t)y * 1920 + x], exporter.indexed[(size_t)(1079 - y) * 1920 + x])
                << x << "," << y;
        }
    }
}

TEST(FramePath, NumbersFromOneWithAtLeastSixDigits) {
    char path[64];
    ASSERT_EQ(format_frame_path(path, sizeof path, "out", 1), 1);
    EXPECT_STREQ(path, "out/frame-000001.png");
    ASSERT_EQ(format_frame_path(path, sizeof path, "out", 1000000), 1);
    EXPECT_STREQ(path, "out/frame-1000000.png");
    EXPECT_EQ(format_frame_path(path, 20, "out", 1), 0);
}

// More frames than the ring has slots, starting with a still stretch that
// is written again without encoding: every file under its own number, with
// the bytes of the single-threaded writer.
TEST_F(ExporterTest, WorkersWriteEveryFrameAsThePlainWriterDoes) {
    auto seed = [](int f) { return f <= 4 ? 0u : (unsigned)f; };
    EncodeReport report = encode_frames(9, seed);
    EXPECT_EQ(report.frames_written, 9);
    EXPECT_EQ(report.failed_frame, 0);
    std::string reference = dir + "/reference.png";
    for (int f = 1; f <= 9; f++) {
        char path[frame_path_capacity];
        format_frame_path(path, sizeof path, dir.c_str(), f);
        fill_indexed(exporter.indexed, seed(f));
        ASSERT_EQ(exporter_write_png(exporter, reference.c_str()), 1);
        EXPECT_EQ(read_file(path), read_file(reference)) << "frame " << f;
    }
}

// A failure is reported as the first failed frame; no finished frame is
// removed, neither this run's nor an earlier run's, and no temporary file
// is left.
TEST_F(ExporterTest, WorkersReportTheFirstFailedFrameAndRemoveNoFinishedFrame) {
    mkdir((dir + "/frame-000003.png").c_str(), 0755);  // frame 3 cannot be renamed into place
    std::FILE* earlier = std::fopen((dir + "/frame-000005.png").c_str(), "wb");
    ASSERT_NE(earlier, nullptr);
    std::fclose(earlier);
    EncodeReport report = encode_frames(5, [](int f) { return (unsigned)f; });
    EXPECT_GE(report.frames_written, 2);
    EXPECT_EQ(report.failed_frame, 3);
    EXPECT_EQ(std::string(report.failed_path), dir + "/frame-000003.png");
    EXPECT_NE(report.error_number, 0);
    for (const char* kept : {"/frame-000001.png", "/frame-000002.png", "/frame-000005.png"})
        EXPECT_TRUE(exists(dir + kept)) << kept;
    DIR* listing = opendir(dir.c_str());
    ASSERT_NE(listing, nullptr);
    while (dirent* entry = readdir(listing)) EXPECT_EQ(std::strstr(entry->d_name, ".tmp"), nullptr) << entry->d_name;
    closedir(listing);
}

}  // namespace
