// Renders whole offline runs through our rasteriser and through OpenGL in
// one process and compares every frame's RGB pixels (by CRC-32). Prints,
// per seed, the frames compared and the frames that differ.
//
//   SDL_VIDEODRIVER=offscreen build/compare_renderers SEED...   (from the repository root)
#include "tests/support/reference_frames.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    int differing_runs = 0;
    for (int a = 1; a < argc; ++a) {
        ReferenceRun run = {std::strtoull(argv[a], nullptr, 10), 0.0, {}};
        for (int64_t f = 1; f <= 15480; ++f) run.frames.push_back(f);
        std::vector<FrameCrc> raster, gl;
        if (render_reference_frames(run, raster, nullptr, false) != 0 ||
            render_reference_frames(run, gl, nullptr, true) != 0 || raster.size() != gl.size()) {
            std::fprintf(stderr, "seed %" PRIu64 ": a run failed\n", run.seed);
            return 1;
        }
        size_t differing = 0;
        for (size_t i = 0; i < raster.size(); ++i) {
            if (raster[i].rgb_crc == gl[i].rgb_crc) continue;
            if (differing++ < 10) std::printf("seed %" PRIu64 ": frame %" PRId64 " differs\n", run.seed, raster[i].frame);
        }
        std::printf("seed %" PRIu64 ": %zu frames compared, %zu differ\n", run.seed, raster.size(), differing);
        differing_runs += differing != 0;
    }
    return differing_runs != 0;
}
