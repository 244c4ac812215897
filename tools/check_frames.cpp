// Checks frames of a run against committed CRCs, on whatever machine it is
// built for: the platform-free core only (no SDL, OpenGL, libmpg123 or
// libpng), stepped exactly as the browser page steps it, so a cross build
// checks another processor's arithmetic (tests/arm64_frames_test.sh).
//
//   check_frames TRACK CRC_FILE SEED START [FIRST-LAST ...]
//
// TRACK fixes the run's length; CRC_FILE holds, per frame, the little-endian
// CRC-32s of its palette indexes and of its RGB bytes (tests/reference/).
// SEED and START are read as the page reads its parameters. The frames in
// the ranges are drawn and checked (every frame when no range is given);
// the others are stepped without drawing, as a whole run steps them. Exit
// status 0 when every checked frame is equal, 1 at the first that differs
// (named), 2 for unusable arguments or files.
#include "app/piece_run.h"
#include "output/palette.h"
#include "render/draw.h"
#include "render/screen.h"
#include "timeline/track_length.h"
#include "web/frame_crc.h"
#include "web/web_parameters.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const int max_ranges = 64;

struct FrameRange {
    int64_t first;
    int64_t last;
};

bool read_file(const char* path, std::vector<unsigned char>& bytes) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    unsigned char block[65536];
    size_t got;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.insert(bytes.end(), block, block + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

uint32_t read_le32(const unsigned char* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

bool read_range(const char* text, FrameRange* range) {
    char tail = 0;
    return std::sscanf(text, "%" SCNd64 "-%" SCNd64 "%c", &range->first, &range->last, &tail) == 2 &&
           range->first >= 1 && range->first <= range->last;
}

bool frame_checked(int64_t frame, const FrameRange* ranges, int range_count) {
    if (range_count == 0) return true;
    for (int i = 0; i < range_count; i++) {
        if (frame >= ranges[i].first && frame <= ranges[i].last) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5 || argc - 5 > max_ranges) {
        std::fprintf(stderr, "usage: check_frames TRACK CRC_FILE SEED START [FIRST-LAST ...] (at most %d ranges)\n",
                     max_ranges);
        return 2;
    }
    std::vector<unsigned char> track, committed;
    TrackLength length;
    if (!read_file(argv[1], track) || measure_mp3_length(track.data(), track.size(), &length) != 1) {
        std::fprintf(stderr, "Cannot read the music track \"%s\".\n", argv[1]);
        return 2;
    }
    if (!read_file(argv[2], committed) || committed.size() % 8 != 0) {
        std::fprintf(stderr, "Cannot read the CRC file \"%s\" (8 bytes a frame).\n", argv[2]);
        return 2;
    }
    FrameRange ranges[max_ranges];
    const int range_count = argc - 5;
    for (int i = 0; i < range_count; i++) {
        if (!read_range(argv[5 + i], &ranges[i])) {
            std::fprintf(stderr, "Bad frame range \"%s\": give FIRST-LAST with 1 <= FIRST <= LAST.\n", argv[5 + i]);
            return 2;
        }
    }

    static WebParameters parameters;
    const double duration = track_duration_seconds(length);
    read_web_parameters(parameters, argv[3], argv[4], nullptr, 0, duration);
    const int64_t committed_frames = (int64_t)(committed.size() / 8);
    if (parameters.run_frames != committed_frames) {
        std::fprintf(stderr, "Seed %s from %s s runs %" PRId64 " frames; the CRC file holds %" PRId64 ".\n", argv[3],
                     argv[4], parameters.run_frames, committed_frames);
        return 1;
    }
    static unsigned char lookup[lookup_table_bytes];
    build_lookup_table(lookup, export_palette, export_palette_count);
    static PieceRun run;
    begin_piece_run(run, parameters.seed, parameters.start_seconds, parameters.run_frames, duration);
    while (!step_piece_run_seek(run, 1 << 30)) {
    }

    int64_t checked = 0;
    while (piece_run_running(run)) {
        const int64_t frame = run.frames_done + 1;
        const bool drawn = frame_checked(frame, ranges, range_count);
        step_piece_run_frame(run, drawn);
        if (!drawn) continue;
        const FrameCrcs got = frame_crcs(raster_frame_pixels(), lookup, screen_pixels);
        const unsigned char* want = committed.data() + (frame - 1) * 8;
        if (got.indexed != read_le32(want) || got.rgb != read_le32(want + 4)) {
            std::printf("seed %s from %s s: frame %" PRId64 " differs: indexed %08" PRIx32 " rgb %08" PRIx32
                        ", committed %08" PRIx32 " %08" PRIx32 " (%" PRId64 " frames equal before it)\n",
                        argv[3], argv[4], frame, got.indexed, got.rgb, read_le32(want), read_le32(want + 4), checked);
            return 1;
        }
        checked++;
    }
    if (run.frames_done != committed_frames) {
        std::printf("seed %s from %s s ended after frame %" PRId64 ", not %" PRId64 ".\n", argv[3], argv[4],
                    run.frames_done, committed_frames);
        return 1;
    }
    std::printf("seed %s from %s s: %" PRId64 " frames checked and equal, of %" PRId64 " stepped\n", argv[3], argv[4],
                checked, run.frames_done);
    return 0;
}
