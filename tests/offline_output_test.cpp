// The offline output driven as the frame loop drives it, on real frames:
// the recording decodes to exactly the frames drawn, right side up, and
// the PNG files hold the same frames after the palette mapping. Needs
// ffmpeg and the track under the working directory (the repository root).
#include "output/offline_output.h"
#include "render/primitives.h"
#include "tests/support/gl_test_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string make_temp_dir() {
    char pattern[] = "/tmp/ostrel-offline-XXXXXX";
    return std::string(mkdtemp(pattern));
}

// Every palette colour and the tree scene's two tones, placed differently
// in every frame, with a marker in the top-left corner.
void draw_test_frame(int frame) {
    begin_gl_test_frame();
    const float colours[8][3] = {{1, 1, 1}, {0.35f, 0.35f, 0.35f}, {1, 0, 0}, {0, 1, 0},
                                 {0, 0, 1}, {1, 0.12f, 0},          {0.18f, 1, 0}, {0, 0, 0}};
    for (int i = 0; i < 8; i++) {
        glColor4f(colours[i][0], colours[i][1], colours[i][2], 1.0f);
        rect(100.0f + 200.0f * i + 13.0f * frame, 300.0f + 40.0f * frame, 150.0f, 400.0f);
    }
    glColor4f(1, 1, 1, 1);
    rect(0.0f, 0.0f, 64.0f, 8.0f);
}

std::vector<unsigned char> read_png_indices(const std::string& path) {
    std::vector<unsigned char> pixels;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return pixels;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        pixels.resize(1920 * 1080);
        for (int y = 0; y < 1080; y++) png_read_row(png, pixels.data() + y * 1920, nullptr);
    } else {
        pixels.clear();
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return pixels;
}

LaunchOptions offline_options(const char* record_path, const char* export_dir) {
    LaunchOptions options = {};
    options.record = record_path != nullptr;
    options.record_path = record_path;
    options.export_png = export_dir != nullptr;
    options.export_dir = export_dir;
    return options;
}

// Stopped after three frames, as by Escape: the encoder still gets the end
// of its input and finishes the file.
TEST(OfflineOutput, RecordingAndExportHoldTheDrawnFramesExactly) {
    std::string dir = make_temp_dir();
    std::string file = dir + "/take.mkv";
    std::string frames_dir = dir + "/frames";
    static OfflineOutput out;
    LaunchOptions options = offline_options(file.c_str(), frames_dir.c_str());
    testing::internal::CaptureStderr();
    ASSERT_EQ(setup_offline_output(out, options), 1);
    const int frames = 3;
    std::vector<std::vector<uint8_t>> drawn;
    for (int f = 0; f < frames; f++) {
        draw_test_frame(f);
        drawn.push_back(Frame().pixels());
        EXPECT_FALSE(write_offline_frame(out));
    }
    EXPECT_EQ(offline_frames_done(out), frames);
    EXPECT_EQ(finish_offline_output(out), 0);
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("Recording 15480 frames to " + file + "\n"), std::string::npos) << messages;
    EXPECT_NE(messages.find("Exporting 15480 indexed PNG frames to " + frames_dir + "\n"), std::string::npos);

    Exporter mapping;
    ASSERT_EQ(setup_exporter(mapping, "unused", 1), 1);
    std::string decode = "ffmpeg -v error -i " + file + " -map 0:v -f rawvideo -pix_fmt rgb24 -";
    FILE* decoded = popen(decode.c_str(), "r");
    ASSERT_NE(decoded, nullptr);
    std::vector<uint8_t> picture(1920 * 1080 * 3);
    for (int f = 0; f < frames; f++) {
        ASSERT_EQ(std::fread(picture.data(), 1, picture.size(), decoded), picture.size()) << "frame " << f;
        EXPECT_TRUE(picture == drawn[f]) << "decoded frame " << f << " differs from the drawn frame";
        EXPECT_EQ(picture[0], 255) << "the top-left marker must come out at the top";

        char path[1100];
        format_frame_path(path, sizeof path, frames_dir.c_str(), f + 1);
        std::vector<unsigned char> indices = read_png_indices(path);
        ASSERT_EQ(indices.size(), 1920u * 1080u) << path;
        int mismatches = 0;
        for (size_t k = 0; k < indices.size(); k++) {
            const uint8_t* p = &picture[k * 3];
            mismatches += indices[k] != mapping.lookup[lookup_index(p[0], p[1], p[2])];
        }
        EXPECT_EQ(mismatches, 0) << path;
    }
    EXPECT_EQ(std::fgetc(decoded), EOF) << "more frames decoded than written";
    pclose(decoded);
    free_exporter(mapping);
    std::system(("rm -rf " + dir).c_str());
}

TEST(OfflineOutput, AnEncoderThatCannotWriteItsFileEndsTheRunWithStatusOne) {
    static OfflineOutput out;
    LaunchOptions options = offline_options("/nonexistent-dir/take.mkv", nullptr);
    testing::internal::CaptureStderr();
    ASSERT_EQ(setup_offline_output(out, options), 1);
    bool stopped = false;
    for (int f = 0; f < 100 && !stopped; f++) {
        draw_test_frame(f);
        stopped = write_offline_frame(out);
    }
    EXPECT_TRUE(stopped) << "the short write must stop the loop";
    EXPECT_EQ(finish_offline_output(out), 1);
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("ffmpeg did not finish successfully.\n"), std::string::npos) << messages;
}

// A disk that is full when the encoder writes its file must show in the
// encoder's exit status, also when the failure only comes with the
// trailer. Needs a small tmpfs (root); skipped where it cannot be mounted.
TEST(OfflineOutput, AnEncoderOnAFullDiskReportsFailure) {
    std::string dir = make_temp_dir();
    if (std::system(("mount -t tmpfs -o size=64k tmpfs " + dir + " 2>/dev/null").c_str()) != 0) {
        std::system(("rm -rf " + dir).c_str());
        GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    // Leaves a few KiB, so the encoder may only fail at its trailer.
    std::system(("head -c 60000 /dev/zero > " + dir + "/filler 2>/dev/null").c_str());
    std::string file = dir + "/take.mkv";
    char command[encoder_command_capacity];
    ASSERT_EQ(format_encoder_command(command, sizeof command, file.c_str(), 0.0, 0.5), 1);
    static Recorder recorder;
    ASSERT_EQ(start_recorder(recorder, command, 30), 1);
    std::memset(recorder.frame, 0, rgb_frame_bytes);
    for (int f = 0; f < 30 && recorder_write_frame(recorder); f++) {
    }
    EXPECT_NE(finish_recorder(recorder), 0);
    std::system(("umount " + dir + " && rm -rf " + dir).c_str());
}

}  // namespace
