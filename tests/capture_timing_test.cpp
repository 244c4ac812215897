// The birth schedule past both ends, and the per-step table of capture
// times against the chains walked afresh.
#include "capture/capture_timing.h"
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(BirthBeat, ScheduleEnds) {
    const int index[] = {-1, 0, 1, 2, 3, 4, 5, 6, 318, 319, 320, 5000};
    const int64_t beat_of[] = {0, 8, 16, 28, 29, 30, 30, 31, 187, 187, 999, 999};
    for (int k = 0; k < 12; ++k) EXPECT_EQ(square_birth_beat(index[k]), beat_of[k]) << index[k];
}

// The per-step table equals the chains walked afresh for every node at
// every step of the opening, nodes moving from song time 40 on.
TEST(CaptureTime, PerStepTableEqualsFreshChainsThroughoutTheOpening) {
    static CaptureTimes table;
    layout_seed = 2024;
    build_startup_layout();
    for (double t = 0.0; t < blue_phase_start;) {
        double t_next = std::min(blue_phase_start, t + frame_seconds);
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
