// The committed reference values: chosen frames of two runs, rendered
// through the program's own offline path, and the graph state after the
// graph span. They were taken from a build whose frames matched an
// independent check; a change that is not meant to change the picture must
// leave every one of them as it is. tools/print_reference_values.cpp prints
// the table of the current build.
#include "tests/support/reference_frames.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cinttypes>
#include <cstdio>
#include <string>

namespace {

struct ExpectedRun {
    uint64_t seed;
    std::vector<FrameCrc> frames;
};

struct ExpectedGraph {
    uint64_t seed;
    uint32_t crc;
};

const std::vector<ExpectedRun> expected_runs = {
    {2718,
     {{61, 0xd5117872}, {133, 0x4c744ffe}, {361, 0x9a6a5d7a}, {631, 0x237566c2},
      {1039, 0x3199458b}, {1483, 0xf66f1633}, {1795, 0x1af384d4}, {1951, 0xc714d16a},
      {2281, 0xcd029bc6}, {2581, 0x10a6c0b8}, {3013, 0xc1b597d7}, {3331, 0x5ef502b8},
      {3451, 0xe7096acb}, {3601, 0x15afeaca}, {3841, 0x36e64712}, {4081, 0x0b4e500c},
      {4231, 0x4df0a851}, {4441, 0x5c486219}, {4921, 0x76370b62}, {5821, 0x759927e7},
      {6721, 0x99450ce1}, {7921, 0x4954b3a4}, {9121, 0x98882196}, {9901, 0xb3f30d02},
      {10021, 0x166d3118}, {10339, 0xeb35fba7}, {10741, 0x96d96f74}, {10921, 0xbb1f4d8c},
      {11311, 0xab8fafec}, {11701, 0x10cdaa2a}, {12133, 0xb823bc22}, {12511, 0x38517df3},
      {12841, 0x907f5df0}, {13201, 0xa389b0d5}, {13321, 0x4cfdbabf}, {13651, 0x4a525337},
      {13921, 0x46368c42}, {14521, 0xd5117872}, {15301, 0xd5117872}, {15480, 0xd5117872},}},
    {7,
     {{1, 0xd5117872}, {121, 0x95202673}, {324, 0x8990ed24}, {1254, 0x7a38a8a6},
      {2094, 0x5bc837f2}, {3894, 0x00c2563a}, {7854, 0x48900a4b}, {9294, 0x7f5aa3fc},
      {10794, 0x1b5c81f9}, {11574, 0x8a941b59}, {12894, 0xd5117872},}},
};

const std::vector<ExpectedGraph> expected_graphs = {
    {2718, 0x0f845da0},
    {7, 0x7668c84e},
};

// A frame that differs is named by seed, frame and song time, and written
// as a PNG under the build directory for a person to look at.
TEST(ReferenceValues, ChosenFramesOfEveryActAreUnchanged) {
    const std::vector<ReferenceRun>& runs = reference_runs();
    ASSERT_EQ(runs.size(), expected_runs.size());
    const std::string failure_dir = std::string(OSTREL_BINARY_DIR) + "/reference-failures";
    for (size_t r = 0; r < runs.size(); ++r) {
        const ReferenceRun& run = runs[r];
        const ExpectedRun& expected = expected_runs[r];
        ASSERT_EQ(run.seed, expected.seed);
        std::vector<FrameCrc> crcs;
        std::vector<std::vector<uint8_t>> pictures;
        ASSERT_EQ(render_reference_frames(run, crcs, &pictures), 0) << "seed " << run.seed;
        ASSERT_EQ(crcs.size(), expected.frames.size()) << "seed " << run.seed;
        bool first_failure = true;
        for (size_t i = 0; i < crcs.size(); ++i) {
            ASSERT_EQ(crcs[i].frame, expected.frames[i].frame);
            if (crcs[i].crc == expected.frames[i].crc) continue;
            char name[96];
            std::snprintf(name, sizeof name, "/seed-%" PRIu64 "-frame-%06" PRId64 ".png", run.seed, crcs[i].frame);
            mkdir(failure_dir.c_str(), 0755);
            const std::string path = failure_dir + name;
            save_indexed_png(path.c_str(), pictures[i].data());
            char message[160];
            std::snprintf(message, sizeof message, "seed %" PRIu64 ", frame %" PRId64 ", song time %.4f s: CRC %08" PRIx32
                          " instead of %08" PRIx32 "%s", run.seed, crcs[i].frame,
                          reference_song_time(run, crcs[i].frame), crcs[i].crc, expected.frames[i].crc,
                          first_failure ? " (the first differing frame)" : "");
            ADD_FAILURE() << message << "; written to " << path;
            first_failure = false;
        }
    }
}

TEST(ReferenceValues, GraphStateAfterTheGraphSpanIsUnchanged) {
    const std::vector<uint64_t>& seeds = reference_graph_seeds();
    ASSERT_EQ(seeds.size(), expected_graphs.size());
    for (size_t i = 0; i < seeds.size(); ++i) {
        ASSERT_EQ(seeds[i], expected_graphs[i].seed);
        EXPECT_EQ(graph_span_crc(seeds[i]), expected_graphs[i].crc) << "graph state of seed " << seeds[i];
    }
}

}  // namespace
