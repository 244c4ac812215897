#include "tests/support/reference_frames.h"

#include "app/program.h"
#include "graph/graph_state.h"
#include "output/exporter.h"
#include "output/png_writer.h"
#include "tests/support/blank_graph_state.h"
#include "timeline/timeline.h"

#include <libdeflate.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>

namespace {

std::vector<int64_t> frames_at(double start_seconds, std::vector<double> times) {
    std::vector<int64_t> frames;
    for (double t : times) frames.push_back(frame_at(start_seconds, t));
    return frames;
}

struct Collector {
    std::vector<FrameCrc>* crcs;
    std::vector<std::vector<uint8_t>>* keep_indexed;
};

// The frames' CRC-32s: libdeflate's gives zlib's values several times as
// fast, and a whole run is 235 GB of them.
void collect_frame(void* context, int64_t frame_number, const unsigned char* rgb, const unsigned char* indexed) {
    Collector& collector = *static_cast<Collector*>(context);
    uint32_t crc = libdeflate_crc32(0, indexed, indexed_frame_bytes);
    uint32_t rgb_crc = libdeflate_crc32(0, rgb, indexed_frame_bytes * 3);
    collector.crcs->push_back(FrameCrc{frame_number, crc, rgb_crc});
    if (collector.keep_indexed != nullptr) collector.keep_indexed->emplace_back(indexed, indexed + indexed_frame_bytes);
}

template <typename T>
uLong add_crc(uLong crc, const T& value) {
    return crc32(crc, reinterpret_cast<const Bytef*>(&value), (uInt)sizeof value);
}

}  // namespace

int64_t frame_at(double start_seconds, double t) {
    return (int64_t)std::llround((t - start_seconds + lead_in_seconds) * frame_rate) + 1;
}

const std::vector<ReferenceRun>& reference_runs() {
    static const std::vector<ReferenceRun> runs = {
        // A whole run from the start: every act.
        {2718, 0.0,
         frames_at(0.0, {-1.0,  0.2,   4.0,   8.5,   15.3,  22.7,  27.9,  30.5,  36.0,  41.0,  48.2,  53.5,
                         55.5,  58.0,  62.0,  66.0,  68.5,  72.0,  80.0,  95.0,  110.0, 130.0, 132.1, 135.3,
                         138.7, 141.9, 144.4, 147.6, 150.0, 153.3, 156.8, 163.0,
                         165.0, 170.3, 177.0, 180.0, 186.5, 193.0, 200.2, 206.5, 212.0, 218.0, 220.0, 225.5,
                         230.0, 240.0, 253.0, 255.98})},
        // Started part-way, at a time off the 1/60 s grid.
        {7, 37.123,
         {1, 121, frame_at(37.123, 40.5), frame_at(37.123, 56.0), frame_at(37.123, 70.0), frame_at(37.123, 100.0),
          frame_at(37.123, 151.0), frame_at(37.123, 155.0), frame_at(37.123, 160.0), frame_at(37.123, 166.0), frame_at(37.123, 190.0), frame_at(37.123, 215.0), frame_at(37.123, 228.0),
          frame_at(37.123, 250.0)}},
    };
    return runs;
}

const std::vector<uint64_t>& reference_graph_seeds() {
    static const std::vector<uint64_t> seeds = {2718, 7};
    return seeds;
}

ReferenceRun whole_run_of(const ReferenceRun& run, int64_t last_frame) {
    ReferenceRun whole = {run.seed, run.start_seconds, {}};
    for (int64_t f = 1; f <= last_frame; ++f) whole.frames.push_back(f);
    return whole;
}

std::string whole_run_digest_path(const ReferenceRun& run) {
    char name[64];
    std::snprintf(name, sizeof name, "tests/reference/seed-%llu-every-frame.crc", (unsigned long long)run.seed);
    return name;
}

int write_whole_run_digests(const char* path, const std::vector<FrameCrc>& crcs) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return 0;
    bool ok = true;
    for (const FrameCrc& c : crcs) {
        const uint32_t values[2] = {c.crc, c.rgb_crc};
        for (uint32_t v : values) {
            const unsigned char bytes[4] = {(unsigned char)v, (unsigned char)(v >> 8), (unsigned char)(v >> 16),
                                            (unsigned char)(v >> 24)};
            ok = ok && std::fwrite(bytes, 1, 4, file) == 4;
        }
    }
    return std::fclose(file) == 0 && ok ? 1 : 0;
}

int read_whole_run_digests(const char* path, std::vector<FrameCrc>& crcs) {
    crcs.clear();
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return 0;
    unsigned char bytes[8];
    while (std::fread(bytes, 1, 8, file) == 8) {
        auto word = [&bytes](int at) {
            return (uint32_t)bytes[at] | (uint32_t)bytes[at + 1] << 8 | (uint32_t)bytes[at + 2] << 16 |
                   (uint32_t)bytes[at + 3] << 24;
        };
        crcs.push_back(FrameCrc{(int64_t)crcs.size() + 1, word(0), word(4)});
    }
    std::fclose(file);
    return crcs.empty() ? 0 : 1;
}

double reference_song_time(const ReferenceRun& run, int64_t frame) {
    return run.start_seconds + offline_clock(frame - 1) - lead_in_seconds;
}

int render_reference_frames(const ReferenceRun& run, std::vector<FrameCrc>& crcs,
                            std::vector<std::vector<uint8_t>>* keep_indexed, bool with_gl) {
    crcs.clear();
    if (keep_indexed != nullptr) keep_indexed->clear();
    Collector collector = {&crcs, keep_indexed};
    FrameInspection inspection = {run.frames.data(), (int)run.frames.size(), collect_frame, &collector};
    LaunchOptions options = {};
    options.seed_given = true;
    options.seed = run.seed;
    options.start_seconds = run.start_seconds;
    options.renderer_gl = with_gl;
    // Growth values outlive a reseed: every run starts from the blank state
    // a fresh process has.
    clear_graph_state(0);
    return run_piece(options, &inspection);
}

uint32_t graph_state_crc() {
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = add_crc(crc, nodes);
    crc = add_crc(crc, connection_enabled);
    crc = add_crc(crc, connection_highlight);
    crc = add_crc(crc, connection_progress);
    crc = add_crc(crc, node_alive);
    crc = add_crc(crc, node_highlight);
    crc = add_crc(crc, node_death_time);
    crc = add_crc(crc, ghost_size);
    crc = add_crc(crc, ghost_remaining);
    for (const RedParticle& p : red_particles) {
        for (float v : {p.x, p.y, p.age, p.life, p.size, p.radial_speed}) crc = add_crc(crc, v);
        crc = add_crc(crc, (uint8_t)p.active);  // one byte, whatever the field's width
    }
    for (double v : {survivor_alone_since}) crc = add_crc(crc, v);
    for (int64_t v : {last_group_bleed_beat, last_bleed_beat}) crc = add_crc(crc, v);
    for (int32_t v : {blue_survivor, blue_transition_baked, survivor_dance_initialized, births_since_death,
                      last_lifecycle_count, scheduled_colors_created, next_group_bleeder, next_red_particle}) {
        crc = add_crc(crc, v);
    }
    for (float v : {survivor_dance_omega, survivor_dance_radius, survivor_dance_angle, blue_cull_accumulator}) {
        crc = add_crc(crc, v);
    }
    for (const Control& c : controls) crc = add_crc(crc, c.value);
    crc = add_crc(crc, layout_seed);
    crc = add_crc(crc, rng_state);
    return (uint32_t)crc;
}

uint32_t graph_span_crc(uint64_t seed) {
    simulate_graph_span(seed);
    return graph_state_crc();
}

int save_indexed_png(const char* path, const uint8_t* indexed) {
    PngScratch scratch;
    if (!alloc_png_scratch(scratch)) return 0;
    int ok = write_indexed_png(path, indexed, export_palette, export_palette_count, scratch);
    free_png_scratch(scratch);
    return ok;
}
