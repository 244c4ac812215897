// The hash every random choice of the tree scene descends from, and the
// 16-bit unit values read out of a hash.
#pragma once

#include <cstdint>

// Avalanching mix of a 64-bit value (arithmetic modulo 2^64).
inline uint64_t mix_hash(uint64_t x) {
    x ^= x >> 16;
    x *= 0x85ebca77ull;
    x ^= x >> 13;
    x *= 0xc2b2ae3dull;
    x ^= x >> 16;
    return x;
}

// Bits k..k+15 of h as a single-precision value from 0 to 1.
inline float unit_value(uint64_t h, int k) {
    return (float)((h >> k) & 0xffffull) / 65535.0f;
}
