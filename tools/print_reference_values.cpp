// Prints the reference values of the current build in the form the
// reference test holds them. Run it from the repository root (the track is
// read from there), headless:
//   SDL_VIDEODRIVER=offscreen build/print_reference_values
// Only a change that is meant to change the picture may replace the
// committed table with this output.
#include "tests/support/reference_frames.h"

#include <cinttypes>
#include <cstdio>

int main() {
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
