#include "timeline/timeline.h"

#include "graph/graph_state.h"

#include <gtest/gtest.h>

namespace {

float amount_at(double t) {
    update_startup_amount(t);
    return controls[control_am].value;
}

TEST(StartupAmount, RampsBeatByBeatToTwoHundredAndTwo) {
    const double times[] = {-1.0, 3.42857, 3.4285714285714284, 7.0, 12.0, 12.43, 12.86, 54.857142857142854, 100.0};
    const float amounts[] = {0, 0, 1, 2, 3, 4, 6, 202, 202};
    for (int k = 0; k < 9; ++k) EXPECT_EQ(amount_at(times[k]), amounts[k]) << times[k];
    for (int n = 30; n < 128; ++n) EXPECT_EQ(amount_at((n + 0.5) * beat_seconds), 4.0f + 2.0f * (n - 29)) << n;
}

}  // namespace
