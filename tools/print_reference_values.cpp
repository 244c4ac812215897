// Prints the reference values of the current build in the form the
// reference test holds them. Run it from the repository root (the track is
// read from there), headless:
//   SDL_VIDEODRIVER=offscreen build/print_reference_values
// Only a change that is meant to change the picture may replace the
// committed table with this output. With --every-frame it also renders
// both runs whole, through our rasteriser and through OpenGL, and, only if
// the two agree on every frame, writes the CRCs of every frame to the
// committed files under tests/reference/.
#include "tests/support/reference_frames.h"

#include <cinttypes>
#include <cstdio>
#include <string>

static int write_every_frame() {
    for (const ReferenceRun& run : reference_runs()) {
        // Frames up to an hour of song time are asked for: the run ends by
        // its own rule long before, on its last frame.
        const ReferenceRun whole = whole_run_of(run, frame_at(run.start_seconds, 3600.0));
        std::vector<FrameCrc> raster, gl;
        if (render_reference_frames(whole, raster, nullptr, false) != 0 ||
            render_reference_frames(whole, gl, nullptr, true) != 0 || raster.size() >= whole.frames.size() ||
            gl.size() != raster.size()) {
            std::fprintf(stderr, "The whole run of seed %" PRIu64 " failed.\n", run.seed);
            return 1;
        }
        for (size_t i = 0; i < raster.size(); ++i) {
            if (raster[i].crc != gl[i].crc || raster[i].rgb_crc != gl[i].rgb_crc) {
                std::fprintf(stderr, "Seed %" PRIu64 ", frame %" PRId64 ": the two renderers differ.\n", run.seed,
                             raster[i].frame);
                return 1;
            }
        }
        if (!write_whole_run_digests(whole_run_digest_path(run).c_str(), raster)) return 1;
        std::fprintf(stderr, "%s: %zu frames\n", whole_run_digest_path(run).c_str(), raster.size());
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--every-frame" && write_every_frame() != 0) return 1;
    std::printf("const std::vector<ExpectedRun> expected_runs = {\n");
    for (const ReferenceRun& run : reference_runs()) {
        std::vector<FrameCrc> crcs;
        if (render_reference_frames(run, crcs, nullptr) != 0 || crcs.size() != run.frames.size()) {
            std::fprintf(stderr, "The run of seed %" PRIu64 " failed (%zu of %zu frames).\n", run.seed, crcs.size(), run.frames.size());
            return 1;
        }
        std::printf("    {%" PRIu64 ",\n     {", run.seed);
        for (size_t i = 0; i < crcs.size(); ++i) {
            std::printf("{%" PRId64 ", 0x%08" PRIx32 ", 0x%08" PRIx32 "},%s", crcs[i].frame, crcs[i].crc,
                        crcs[i].rgb_crc, i + 1 == crcs.size() ? "" : (i % 3 == 2 ? "\n      " : " "));
        }
        std::printf("}},\n");
    }
    std::printf("};\n\nconst std::vector<ExpectedGraph> expected_graphs = {\n");
    for (uint64_t seed : reference_graph_seeds()) {
        std::printf("    {%" PRIu64 ", 0x%08" PRIx32 "},\n", seed, graph_span_crc(seed));
    }
    std::printf("};\n");
    return 0;
}
