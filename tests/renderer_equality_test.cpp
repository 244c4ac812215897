// Our rasteriser against OpenGL in one process, byte for byte: stretches of
// every act of the piece for several seeds, and the pictures that only real
// time shows (the head-up text and the loader).
#include "app/overlay.h"
#include "tests/support/gl_test_context.h"
#include "tests/support/reference_frames.h"
#include "timeline/start_seek.h"

#include <gtest/gtest.h>

namespace {

// Three frames from each of these song times: capture, title card (white,
// red, green, blue bars), swirl, blue wave, cull, dance, revival, particles,
// the three tree blocks, collapse with credits, the ending and its marker.
const double stretch_times[] = {0.1,   3.0,   12.0,  30.9,  37.0,  39.4,  40.5,  47.0,  55.2,  60.0,
                                66.0,  75.0,  90.0,  120.0, 131.0, 140.0, 150.0, 160.0, 164.6, 170.0,
                                178.0, 185.0, 195.0, 205.0, 215.0, 221.0, 224.0, 228.5, 231.0, 233.0};

ReferenceRun stretches_of(uint64_t seed, double start) {
    ReferenceRun run = {seed, start, {}};
    for (double t : stretch_times) {
        if (t < start) continue;
        int64_t first = frame_at(start, t);
        for (int64_t f = first; f < first + 3; ++f) run.frames.push_back(f);
    }
    return run;
}

TEST(RendererEquality, StretchesOfEveryActForSeveralSeeds) {
#ifdef OSTREL_SANITIZE_BUILD
    // Many times slower there: one seed takes both renderers through every act.
    const std::vector<ReferenceRun> runs = {stretches_of(11, 0.0)};
#else
    const std::vector<ReferenceRun> runs = {stretches_of(11, 0.0), stretches_of(4096, 0.0), stretches_of(9999, 52.5)};
#endif
    for (const ReferenceRun& run : runs) {
        std::vector<FrameCrc> raster, gl;
        ASSERT_EQ(render_reference_frames(run, raster, nullptr, false), 0);
        ASSERT_EQ(render_reference_frames(run, gl, nullptr, true), 0);
        ASSERT_EQ(raster.size(), run.frames.size());
        ASSERT_EQ(gl.size(), run.frames.size());
        for (size_t i = 0; i < run.frames.size(); ++i) {
            EXPECT_EQ(raster[i].rgb_crc, gl[i].rgb_crc)
                << "seed " << run.seed << ", frame " << run.frames[i] << ", song time "
                << reference_song_time(run, run.frames[i]);
        }
    }
}

TEST(RendererEquality, HeadUpTextAndLoader) {
    std::vector<uint8_t> pictures[2];
    for (int pass = 0; pass < 2; ++pass) {
        for (DrawBackend backend : {DrawBackend::gl, DrawBackend::raster}) {
            begin_gl_test_frame(backend);
            if (pass == 0) {
                draw_hud(100.0, 4242);
                draw_title_card(36.0);
            } else {
                draw_start_loader_picture(37.0, 164.5);
            }
            pictures[backend == DrawBackend::raster] = Frame().pixels();
        }
        EXPECT_TRUE(pictures[0] == pictures[1]) << (pass == 0 ? "head-up text" : "loader");
    }
    use_draw_backend(DrawBackend::gl);
}

}  // namespace
