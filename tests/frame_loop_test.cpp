// How a real-time run closes (the offline close is pinned by the reference
// runs' last frames).
#include "app/frame_loop.h"
#include "app/piece_frame.h"
#include "timeline/timeline.h"

#include <gtest/gtest.h>

namespace {

TEST(FrameContent, RealTimeClosesWhenTheMusicHasEndedAfterBar135) {
    EXPECT_EQ(choose_frame_content(100.0, false, 0.0, false), FrameContent::graph_scene);
    EXPECT_EQ(choose_frame_content(200.0, false, 0.0, false), FrameContent::circle_phase);
    EXPECT_EQ(choose_frame_content(231.42857142857139, false, 0.0, false), FrameContent::circle_phase);
    EXPECT_EQ(choose_frame_content(piece_end, false, 0.0, false), FrameContent::blackout);
    EXPECT_EQ(choose_frame_content(piece_end, false, 0.0, true), FrameContent::circle_phase_only);
    EXPECT_EQ(choose_frame_content(250.0, false, 0.0, true), FrameContent::circle_phase_only);
    // A silent run (no music at all) closes at bar 135.
    EXPECT_EQ(choose_frame_content(232.0, false, 0.0, false), FrameContent::blackout);
}

}  // namespace
