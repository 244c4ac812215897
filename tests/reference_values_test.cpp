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
     {{61, 0xd5117872, 0xf9ddd200}, {133, 0x4c744ffe, 0x1dc34a3f}, {361, 0x9a6a5d7a, 0x1e3b6c03},
      {631, 0x237566c2, 0x10f294db}, {1039, 0x3199458b, 0x320d9c62}, {1483, 0xf66f1633, 0xabf7648e},
      {1795, 0x1af384d4, 0xa2e65fbc}, {1951, 0xc714d16a, 0xacbfdfb4}, {2281, 0xcd029bc6, 0x48991022},
      {2581, 0x10a6c0b8, 0xdbae8080}, {3013, 0xc1b597d7, 0x081ac292}, {3331, 0x5ef502b8, 0x14129435},
      {3451, 0xe7096acb, 0x25b97885}, {3601, 0x15afeaca, 0x083f606c}, {3841, 0x36e64712, 0x59d2bd94},
      {4081, 0x0b4e500c, 0x85f54d2c}, {4231, 0x4df0a851, 0x495c8f90}, {4441, 0x5c486219, 0x90f291a1},
      {4921, 0x76370b62, 0x80dbc210}, {5821, 0x759927e7, 0x9dbb1f76}, {6721, 0x99450ce1, 0xf6904896},
      {7921, 0x4954b3a4, 0x94782b39}, {8047, 0x636cec2a, 0x201683eb}, {8239, 0x01a018d4, 0x7162382b},
      {8443, 0x40efa217, 0x30b12d3a}, {8635, 0xbec5f105, 0x73dc30d6}, {8785, 0xc0b6d511, 0x2f69274b},
      {8977, 0x1437ac77, 0xd5e9f134}, {9121, 0x98882196, 0x77d9553e}, {9319, 0xafd6945d, 0x4013aaa7},
      {9529, 0x91434c96, 0x08401bed}, {9901, 0xb3f30d02, 0x12257252}, {10021, 0x166d3118, 0x4fa2c128},
      {10339, 0xeb35fba7, 0x8390ce3c}, {10741, 0x96d96f74, 0x87207bc9}, {10921, 0xbb1f4d8c, 0x922ed51e},
      {11311, 0xab8fafec, 0x5c6948a0}, {11701, 0x10cdaa2a, 0x811f8de6}, {12133, 0xb823bc22, 0xcff697ac},
      {12511, 0x38517df3, 0x8be0e809}, {12841, 0x907f5df0, 0x40192ae1}, {13201, 0xa389b0d5, 0x5d722e79},
      {13321, 0x4cfdbabf, 0x916953ef}, {13651, 0x4a525337, 0x9d32e180}, {13921, 0x46368c42, 0x22634926},
      {14521, 0xd5117872, 0xf9ddd200}, {15301, 0xd5117872, 0xf9ddd200}, {15480, 0xd5117872, 0xf9ddd200},}},
    {7,
     {{1, 0xd5117872, 0xf9ddd200}, {121, 0x95202673, 0x05b5c954}, {324, 0x8990ed24, 0x10cc1fde},
      {1254, 0x7a38a8a6, 0x6dda318c}, {2094, 0x5bc837f2, 0xc6c599c0}, {3894, 0x00c2563a, 0x14b6c346},
      {6954, 0xedcffa1e, 0xa534dd26}, {7194, 0x291bb65d, 0xac38d790}, {7494, 0xbf74e543, 0xd4a5a482},
      {7854, 0x48900a4b, 0x9edb9e33}, {9294, 0x7f5aa3fc, 0x8ddd113f}, {10794, 0x1b5c81f9, 0x3c0205f4},
      {11574, 0x8a941b59, 0x47f7bfd9}, {12894, 0xd5117872, 0xf9ddd200},}},
};

const std::vector<ExpectedGraph> expected_graphs = {
    {2718, 0x0f845da0},
    {7, 0x7668c84e},
};

// Names a frame that differs from the committed values by seed, frame and
// song time, renders it once more and writes it as a PNG under the build
// directory for a person to look at.
void report_differing_frame(const ReferenceRun& run, const FrameCrc& got, const char* committed) {
    ReferenceRun one = {run.seed, run.start_seconds, {got.frame}};
    std::vector<FrameCrc> again;
    std::vector<std::vector<uint8_t>> picture;
    render_reference_frames(one, again, &picture);
    const std::string dir = std::string(OSTREL_BINARY_DIR) + "/reference-failures";
    mkdir(dir.c_str(), 0755);
    char name[96];
    std::snprintf(name, sizeof name, "/seed-%" PRIu64 "-frame-%06" PRId64 ".png", run.seed, got.frame);
    const std::string path = dir + name;
    if (!picture.empty()) save_indexed_png(path.c_str(), picture[0].data());
    ADD_FAILURE() << "seed " << run.seed << ", frame " << got.frame << ", song time "
                  << reference_song_time(run, got.frame) << " s: the first frame that differs from the " << committed
                  << "; written to " << path;
}

// Checks the rendered frames of run against expected (indexed by frame
// number - 1), stopping at the first that differs. The run must render
// exactly `rendered` of the frames asked for: a frame asked for past the
// committed end shows a run that has grown longer.
void check_frames(const ReferenceRun& run, const std::vector<FrameCrc>& expected, const char* committed,
                  size_t rendered) {
    std::vector<FrameCrc> crcs;
    ASSERT_EQ(render_reference_frames(run, crcs, nullptr), 0) << "seed " << run.seed;
    for (const FrameCrc& got : crcs) {
        if ((size_t)got.frame > expected.size()) break;
        const FrameCrc& want = expected[(size_t)got.frame - 1];
        if (got.crc == want.crc && got.rgb_crc == want.rgb_crc) continue;
        report_differing_frame(run, got, committed);
        break;
    }
    if (crcs.size() == rendered) return;
    const int64_t last = crcs.empty() ? 0 : crcs.back().frame;
    ADD_FAILURE() << "seed " << run.seed << ": the run now renders up to frame " << last << " (song time "
                  << reference_song_time(run, last) << " s); the " << committed << " ends on frame "
                  << run.frames[rendered - 1];
}

// The quick check: chosen frames of every act, in both builds.
TEST(ReferenceValues, ChosenFramesOfEveryActAreUnchanged) {
    const std::vector<ReferenceRun>& runs = reference_runs();
    ASSERT_EQ(runs.size(), expected_runs.size());
    for (size_t r = 0; r < runs.size(); ++r) {
        ASSERT_EQ(runs[r].seed, expected_runs[r].seed);
        ASSERT_EQ(runs[r].frames.size(), expected_runs[r].frames.size());
        std::vector<FrameCrc> by_frame(runs[r].frames.back());
        for (const FrameCrc& crc : expected_runs[r].frames) by_frame[(size_t)crc.frame - 1] = crc;
        check_frames(runs[r], by_frame, "chosen reference values", runs[r].frames.size());
    }
}

// Every frame of both runs against the committed whole-run CRCs, and the
// run's length: it must end on the committed last frame (the sanitizer
// build, many times slower, checks the closing act of each run, bars 128 to
// 135 and the blackout).
TEST(ReferenceValues, EveryFrameOfBothRunsIsUnchanged) {
    for (const ReferenceRun& run : reference_runs()) {
        std::vector<FrameCrc> expected;
        ASSERT_EQ(read_whole_run_digests(whole_run_digest_path(run).c_str(), expected), 1)
            << whole_run_digest_path(run);
        // One frame past the committed end is asked for too: a run that has
        // grown longer renders it.
        ReferenceRun checked = whole_run_of(run, (int64_t)expected.size() + 1);
#ifdef OSTREL_SANITIZE_BUILD
        const int64_t closing_act = (int64_t)((219.42857142857142 - run.start_seconds + 2.0) * 60.0);
        checked.frames.erase(checked.frames.begin(), checked.frames.begin() + closing_act);
#endif
        check_frames(checked, expected, "committed whole run", checked.frames.size() - 1);
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
