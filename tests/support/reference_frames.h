// Reference values: CRC-32s of chosen offline frames (their palette
// indexes, bottom row first, as the exporter maps them) rendered through the
// real frame loop, and of the whole graph state after the graph span.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ReferenceRun {
    uint64_t seed;
    double start_seconds;
    std::vector<int64_t> frames;  // increasing frame numbers, 1 = first lead-in frame
};

// Frame number of song time t in a run started at start_seconds.
int64_t frame_at(double start_seconds, double t);
// The runs the committed values were taken from.
const std::vector<ReferenceRun>& reference_runs();
// Seeds whose graph state after the graph span is pinned.
const std::vector<uint64_t>& reference_graph_seeds();

// CRC-32s of a frame's palette indexes and of its RGB pixels as read back
// (the RGB pixels also hold what the palette mapping merges, such as the
// tree scene's orange-red).
struct FrameCrc {
    int64_t frame;
    uint32_t crc;
    uint32_t rgb_crc;
};

// Renders run headless through the program's own offline path, drawing
// only the chosen frames. Each frame's CRC goes to crcs. When keep_indexed
// is not null it receives each frame's palette indexes too. Returns the
// program's exit status.
// The frames are drawn by our rasteriser, or by OpenGL when with_gl is set.
int render_reference_frames(const ReferenceRun& run, std::vector<FrameCrc>& crcs,
                            std::vector<std::vector<uint8_t>>* keep_indexed, bool with_gl = false);

// Frames 1 .. last_frame of run, and where the committed CRCs of every
// frame of it lie (per frame: the palette indexes' CRC and the RGB CRC,
// 32-bit little-endian; the run ends on the last frame the file holds).
ReferenceRun whole_run_of(const ReferenceRun& run, int64_t last_frame);
std::string whole_run_digest_path(const ReferenceRun& run);
// Writes the CRCs of a whole run to path, or reads them; 1 on success.
int write_whole_run_digests(const char* path, const std::vector<FrameCrc>& crcs);
int read_whole_run_digests(const char* path, std::vector<FrameCrc>& crcs);

// Song time of a frame of a run (negative in the lead-in).
double reference_song_time(const ReferenceRun& run, int64_t frame);

// Steps the graph of seed from a blank state over the whole graph span in
// 1/60 s steps and returns the CRC-32 of every array and scalar of it.
uint32_t graph_span_crc(uint64_t seed);
// CRC-32 of the current graph state.
uint32_t graph_state_crc();

// Writes palette indexes (bottom row first) as a PNG at path; 1 on success.
int save_indexed_png(const char* path, const uint8_t* indexed);
