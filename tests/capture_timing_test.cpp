#include "capture/capture_timing.h"
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

TEST(BirthBeat, ScheduleEnds) {
    const int index[] = {-1, 0, 1, 2, 3, 4, 5, 6, 318, 319, 320, 5000};
    const int64_t beat_of[] = {0, 8, 16, 28, 29, 30, 30, 31, 187, 187, 999, 999};
    for (int k = 0; k < 12; ++k) EXPECT_EQ(square_birth_beat(index[k]), beat_of[k]) << index[k];
}

TEST(CaptureTime, NodeZeroOnBeatEightAndLateParentsDelayTheStart) {
    std::memset(connection_enabled, 0, sizeof connection_enabled);
    for (int i = 0; i < node_capacity; ++i) nodes[i] = {960.0f, 540.0f, 0.0f, 0.0f, 0.0f};
    nodes[0].x = 1110.0f, nodes[0].y = 470.0f;  // 150 + 70 from the centre
    for (int pair : {pair_index(1, 2), pair_index(1, 3), pair_index(2, 4), pair_index(3, 5)}) connection_enabled[pair] = 1;
    nodes[2].x = 960.0f + 2000.0f;  // node 4's parent arrives late
    rebuild_parent_cache();
    EXPECT_EQ(capture_start_time(0), 3.4285714285714284);
    EXPECT_EQ(capture_received_time(0), 3.4285714285714284 + 0.18 + 220.0 / 360.0);
    EXPECT_EQ(capture_finish_time(0), 3.4285714285714284 + 0.18 + 440.0 / 360.0);
    EXPECT_EQ(capture_finish_time(6), capture_start_time(6) + 0.18);  // on its parent's spot
    EXPECT_EQ(capture_start_time(5), 30 * beat_seconds);
    EXPECT_EQ(capture_start_time(4), capture_received_time(2));
    EXPECT_GT(capture_start_time(4), 30 * beat_seconds);
}

// The per-step table equals the chains walked afresh for every node at
// every step of the opening, nodes moving from song time 40 on.
TEST(CaptureTime, PerStepTableEqualsFreshChainsThroughoutTheOpening) {
    static CaptureTimes table;
    layout_seed = 2024;
    build_startup_layout();
    for (double t = 0.0; t < blue_phase_start;) {
        double t_next = std::min(blue_phase_start, t + 0.016666666666666666);
        update_startup_amount(t);
        int n = active_node_count();
        compute_capture_times(table, n);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(table.start[i], capture_start_time(i)) << i << " at " << t;
            ASSERT_EQ(table.received[i], capture_received_time(i)) << i << " at " << t;
            ASSERT_EQ(table.finish[i], capture_finish_time(i)) << i << " at " << t;
        }
        run_simulation_step(t, (float)(t_next - t));
        t = t_next;
    }
}

}  // namespace
