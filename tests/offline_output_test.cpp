// The offline output driven as the frame loop drives it, on real frames.
// Needs ffmpeg and the track under the working directory (the repository root).
#include "output/offline_output.h"
#include "render/primitives.h"
#include "tests/support/gl_test_context.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

typedef std::vector<uint8_t> Picture;

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

// Every frame of a video or an image sequence as 1920x1080 RGB, top row first.
std::vector<Picture> decode_frames(const std::string& input) {
    FILE* pipe = popen(("ffmpeg -v error -i " + input + " -map 0:v -f rawvideo -pix_fmt rgb24 -").c_str(), "r");
    std::vector<Picture> frames;
    Picture picture(rgb_frame_bytes);
    while (pipe != nullptr && std::fread(picture.data(), 1, picture.size(), pipe) == picture.size()) {
        frames.push_back(picture);
    }
    if (pipe != nullptr) pclose(pipe);
    return frames;
}

// Stopped after three frames, as by Escape: the encoder still gets the end
// of its input. The video holds exactly the drawn frames, right side up,
// and the PNG files the same frames after the palette mapping.
TEST(OfflineOutput, RecordingAndExportHoldTheDrawnFramesExactly) {
    char pattern[] = "/tmp/ostrel-offline-XXXXXX";
    std::string dir = mkdtemp(pattern);
    std::string file = dir + "/take.mkv", frames_dir = dir + "/frames";
    RenderRequest options = {};
    options.record_path = file.c_str();
    options.export_dir = frames_dir.c_str();
    static OfflineOutput out;
    ASSERT_EQ(setup_offline_output(out, options), 1);
    std::vector<Picture> drawn;
    for (int f = 0; f < 3; f++) {
        draw_test_frame(f);
        drawn.push_back(Frame().pixels());
        EXPECT_FALSE(write_offline_frame(out));
    }
    EXPECT_EQ(offline_frames_done(out), 3);
    EXPECT_EQ(finish_offline_output(out), 0);

    Exporter mapping;
    ASSERT_EQ(setup_exporter(mapping, "unused"), 1);
    std::vector<Picture> video = decode_frames(file), pngs = decode_frames(frames_dir + "/frame-%06d.png");
    ASSERT_EQ(video.size(), 3u);
    ASSERT_EQ(pngs.size(), 3u);
    for (int f = 0; f < 3; f++) {
        EXPECT_TRUE(video[f] == drawn[f]) << "decoded frame " << f << " differs from the drawn frame";
        EXPECT_EQ(video[f][0], 255) << "the top-left marker must come out at the top";
        Picture mapped(rgb_frame_bytes);
        for (size_t k = 0; k < mapped.size(); k += 3) {
            const uint8_t* p = &drawn[f][k];
            std::memcpy(&mapped[k], export_palette[mapping.lookup[lookup_index(p[0], p[1], p[2])]], 3);
        }
        EXPECT_TRUE(pngs[f] == mapped) << "PNG frame " << f + 1 << " differs from the mapped frame";
    }
    free_exporter(mapping);
    std::system(("rm -rf " + dir).c_str());
}

// A disk that fills only when the encoder writes its trailer must still
// show in its exit status. Needs a small tmpfs (root).
TEST(OfflineOutput, AnEncoderOnAFullDiskReportsFailure) {
    char pattern[] = "/tmp/ostrel-offline-XXXXXX";
    std::string dir = mkdtemp(pattern);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs " + dir + " 2>/dev/null").c_str()) != 0) {
        std::system(("rm -rf " + dir).c_str());
        GTEST_SKIP() << "cannot mount a tmpfs here";
    }
    std::system(("head -c 60000 /dev/zero > " + dir + "/filler").c_str());  // leaves a few KiB free
    static Recorder recorder;
    ASSERT_EQ(start_recorder(recorder, (dir + "/take.mkv").c_str(), music_track_path, AudioPlacement{2.0, 0.0, 0.5}), 1);
    std::memset(recorder.frame, 0, rgb_frame_bytes);
    for (int f = 0; f < 30 && recorder_write_frame(recorder, recorder.frame); f++) {
    }
    EXPECT_NE(finish_recorder(recorder), 0);
    discard_recording(recorder);
    std::system(("umount " + dir + " && rm -rf " + dir).c_str());
}

}  // namespace
