#include "web/frame_crc.h"

#include "output/palette.h"

#include <cstring>

namespace {

const uint32_t polynomial = 0xEDB88320u;  // reflected

uint32_t tables[8][256];
// The register after 2^j zero words, one table per byte of it: a run of
// zero words is then one step per set bit of its length. Runs of up to
// 2^20 words (8 MB) are one step per bit; longer ones repeat the last.
const int zero_step_count = 20;
uint32_t zero_steps[zero_step_count][4][256];
bool tables_ready = false;

uint32_t step_zero_words(const uint32_t (&step)[4][256], uint32_t c) {
    return step[0][c & 0xFF] ^ step[1][(c >> 8) & 0xFF] ^ step[2][(c >> 16) & 0xFF] ^ step[3][c >> 24];
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
    // One zero word is what add_word does with a zero word; 2^j words are
    // 2^(j-1) words twice.
    for (int b = 0; b < 4; b++) std::memcpy(zero_steps[0][b], tables[7 - b], sizeof tables[0]);
    for (int j = 1; j < zero_step_count; j++) {
        for (int b = 0; b < 4; b++) {
            for (uint32_t v = 0; v < 256; v++) {
                zero_steps[j][b][v] =
                    step_zero_words(zero_steps[j - 1], step_zero_words(zero_steps[j - 1], v << (8 * b)));
            }
        }
    }
    tables_ready = true;
}

// A CRC register with the zero bytes that follow what it has taken in, not
// yet applied: a run of them is applied at once when data comes after it.
struct Crc {
    uint32_t c = 0xFFFFFFFFu;
    size_t zeros = 0;
};

void apply_zeros(Crc& crc) {
    size_t n = crc.zeros;
    crc.zeros = 0;
    uint32_t c = crc.c;
    for (; n % 8 != 0; n--) c = tables[0][c & 0xFF] ^ (c >> 8);
    size_t words = n / 8;
    const size_t longest_step = (size_t)1 << (zero_step_count - 1);
    for (; words >> zero_step_count; words -= longest_step) c = step_zero_words(zero_steps[zero_step_count - 1], c);
    for (int j = 0; words != 0; j++, words >>= 1) {
        if (words & 1) c = step_zero_words(zero_steps[j], c);
    }
    crc.c = c;
}

// Eight bytes (a little-endian word, as x86 and WebAssembly have them).
void add_word(Crc& crc, uint64_t word) {
    if (crc.zeros != 0) apply_zeros(crc);
    const uint32_t lo = (uint32_t)word ^ crc.c;
    const uint32_t hi = (uint32_t)(word >> 32);
    crc.c = tables[7][lo & 0xFF] ^ tables[6][(lo >> 8) & 0xFF] ^ tables[5][(lo >> 16) & 0xFF] ^ tables[4][lo >> 24] ^
            tables[3][hi & 0xFF] ^ tables[2][(hi >> 8) & 0xFF] ^ tables[1][(hi >> 16) & 0xFF] ^ tables[0][hi >> 24];
}

void add_byte(Crc& crc, unsigned char byte) {
    if (crc.zeros != 0) apply_zeros(crc);
    crc.c = tables[0][(crc.c ^ byte) & 0xFF] ^ (crc.c >> 8);
}

uint32_t finish(Crc& crc) {
    apply_zeros(crc);
    return crc.c ^ 0xFFFFFFFFu;
}

uint64_t load_word(const unsigned char* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

}  // namespace

FrameCrcs frame_crcs(const unsigned char* rgb, const unsigned char* lookup, size_t pixels) {
    if (!tables_ready) build_tables();
    Crc rgb_crc;
    Crc indexed_crc;
    size_t k = 0;
    // Eight pixels a step: 24 RGB bytes, 8 indexes; eight black pixels are
    // zeros in both.
    for (; k + 8 <= pixels; k += 8) {
        const unsigned char* p = rgb + k * 3;
        const uint64_t w0 = load_word(p), w1 = load_word(p + 8), w2 = load_word(p + 16);
        if ((w0 | w1 | w2) == 0) {
            rgb_crc.zeros += 24;
            indexed_crc.zeros += 8;
            continue;
        }
        add_word(rgb_crc, w0);
        add_word(rgb_crc, w1);
        add_word(rgb_crc, w2);
        uint64_t indexes = 0;
        for (int i = 0; i < 8; i++) {
            indexes |= (uint64_t)lookup[lookup_index(p[i * 3], p[i * 3 + 1], p[i * 3 + 2])] << (8 * i);
        }
        if (indexes == 0) {
            indexed_crc.zeros += 8;
        } else {
            add_word(indexed_crc, indexes);
        }
    }
    for (; k < pixels; k++) {
        const unsigned char* p = rgb + k * 3;
        for (int i = 0; i < 3; i++) add_byte(rgb_crc, p[i]);
        add_byte(indexed_crc, lookup[lookup_index(p[0], p[1], p[2])]);
    }
    return FrameCrcs{finish(indexed_crc), finish(rgb_crc)};
}
