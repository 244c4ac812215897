#include "scene/easing.h"

#include <cmath>

float ease_anticipate_elastic_unit(float x) {
    if (x < 0.0f) return -0.0f;
    if (x > 1.0f) x = 1.0f;
    if (x < 0.18f) {
        float u = x / 0.18f;
        return ((-0.115f * u) * u) * (3.0f - (u + u));
    }
    float u = (x - 0.18f) / 0.82f;
    float v = 1.0f - u;
    float s = (float)std::sin((double)u * 6.28318530718 * 1.65);
    return ((s * v) * v) * 0.115f + (1.0f - v * (v * v));
}

float ease_slow_elastic_unit(float x) {
    if (x < 0.0f) return 0.0f;
    if (x > 1.0f) x = 1.0f;
    if (x <= 0.0f) return 0.0f;
    if (x >= 1.0f) return 1.0f;
    float e = (float)std::pow(2.0, (double)(x * -5.2f));
    float s = (float)std::sin((double)(x * 2.75f - 0.65f) * 6.28318530718);
    return (s * e) * 0.78f + 1.0f;
}
