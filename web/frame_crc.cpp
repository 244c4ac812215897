#include "web/frame_crc.h"

#include <cstring>

namespace {

const uint32_t polynomial = 0xEDB88320u;  // reflected

uint32_t tables[8][256];
uint32_t x_to_2_to_n[32];  // x^(2^n) modulo the polynomial
bool tables_ready = false;

// a * b modulo the polynomial, both reflected.
uint32_t multiply_mod_p(uint32_t a, uint32_t b) {
    uint32_t product = 0;
    for (uint32_t m = 1u << 31; m != 0; m >>= 1) {
        if (a & m) product ^= b;
        b = b & 1 ? (b >> 1) ^ polynomial : b >> 1;
    }
    return product;
}

// x^(8 * bytes) modulo the polynomial.
uint32_t x_to_8_times(size_t bytes) {
    uint32_t p = 1u << 31;  // x^0
    for (int k = 3; bytes != 0; bytes >>= 1, k++) {
        if (bytes & 1) p = multiply_mod_p(x_to_2_to_n[k & 31], p);
    }
    return p;
}

void build_tables() {
    for (uint32_t n = 0; n < 256; n++) {
        uint32_t c = n;
        for (int k = 0; k < 8; k++) c = c & 1 ? polynomial ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; n++) {
        for (int t = 1; t < 8; t++) tables[t][n] = tables[0][tables[t - 1][n] & 0xFF] ^ (tables[t - 1][n] >> 8);
    }
    uint32_t p = 1u << 30;  // x^1
    for (int n = 0; n < 32; n++) {
        x_to_2_to_n[n] = p;
        p = multiply_mod_p(p, p);
    }
    tables_ready = true;
}

uint64_t load_word(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// Zero bytes leave the register multiplied by x^8 each: a run of them is
// one multiplication, so the black of a frame costs next to nothing.
const size_t zero_run_bytes = 256;

}  // namespace

uint32_t frame_crc32(const unsigned char* data, size_t size) {
    if (!tables_ready) build_tables();
    uint32_t c = 0xFFFFFFFFu;
    size_t i = 0;
    while (i + 8 <= size) {
        // A run of zero words: one multiplication when it is long.
        size_t end = i;
        while (end + 8 <= size && load_word(data + end) == 0) end += 8;
        if (end - i >= zero_run_bytes) {
            c = multiply_mod_p(x_to_8_times(end - i), c);
            i = end;
            continue;
        }
        // Otherwise eight bytes a step, up to the next zero word after at
        // least one non-zero one (little-endian words, as x86 and
        // WebAssembly have them).
        if (end == i) end = i + 8;
        while (end + 8 <= size && load_word(data + end) != 0) end += 8;
        for (; i < end; i += 8) {
            uint32_t lo, hi;
            std::memcpy(&lo, data + i, 4);
            std::memcpy(&hi, data + i + 4, 4);
            lo ^= c;
            c = tables[7][lo & 0xFF] ^ tables[6][(lo >> 8) & 0xFF] ^ tables[5][(lo >> 16) & 0xFF] ^
                tables[4][lo >> 24] ^ tables[3][hi & 0xFF] ^ tables[2][(hi >> 8) & 0xFF] ^
                tables[1][(hi >> 16) & 0xFF] ^ tables[0][hi >> 24];
        }
    }
    for (; i < size; i++) c = tables[0][(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}
