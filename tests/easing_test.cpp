#include "scene/easing.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Easing, AnticipateDipsJumpsAtTheEndOfTheDipAndEndsOnOne) {
    for (float t : {-0.5f, 0.0f}) {  // negative zero: "not started" for a > 0 test
        EXPECT_EQ(ease_anticipate_elastic_unit(t), 0.0f);
        EXPECT_TRUE(std::signbit(ease_anticipate_elastic_unit(t)));
    }
    const struct { float t, v, tol; } cases[] = {
        {0.09f, -0.0575f, 1e-6f}, {std::nextafter(0.18f, 0.0f), -0.115f, 1e-5f}, {0.18f, 0.0f, 0.0f},
        {0.3f, 0.4616f, 1e-4f},   {0.5f, 0.7397f, 1e-4f},  {0.9f, 0.9987f, 1e-4f},
        {1.0f, 1.0f, 0.0f},       {2.0f, 1.0f, 0.0f},
    };
    for (const auto& c : cases) EXPECT_NEAR(ease_anticipate_elastic_unit(c.t), c.v, c.tol) << c.t;
    for (int i = 0; i <= 1000; ++i) EXPECT_LE(ease_anticipate_elastic_unit(i / 1000.0f), 1.0f);
}

TEST(Easing, SlowElasticPopsInLargeAndSettles) {
    const struct { float t, v, tol; } cases[] = {
        {-0.1f, 0.0f, 0.0f},     {0.0f, 0.0f, 0.0f},     {0.000001f, 1.6310f, 1e-4f}, {0.1f, 0.6154f, 1e-4f},
        {0.5f, 0.8729f, 1e-4f},  {0.75f, 1.0273f, 1e-4f}, {1.0f, 1.0f, 0.0f},         {1.5f, 1.0f, 0.0f},
    };
    for (const auto& c : cases) EXPECT_NEAR(ease_slow_elastic_unit(c.t), c.v, c.tol) << c.t;
}
