// The browser's hold on the piece: the functions the page calls, compiled
// to WebAssembly with the platform-free frame (app/piece_frame.h), the
// skipped timeline and our rasteriser. The page owns the clock, the keys
// and the sound; here every frame is stepped exactly as an offline run
// steps it, so frame N on the page is frame N of the offline run.
#include "app/piece_frame.h"
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "output/palette.h"
#include "render/draw.h"
#include "render/font.h"
#include "render/primitives.h"
#include "timeline/skipped_timeline.h"
#include "timeline/track_length.h"
#include "web/frame_crc.h"
#include "web/web_parameters.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstring>

namespace {

struct WebRun {
    PieceFrame frame;
    SkippedTimeline seek;
    double duration;       // song time at which the run closes
    int64_t frames_done;   // frames stepped; the last one's number
    int64_t run_frames;    // the offline run's frame count
    WebParameters parameters;
};

WebRun run;
double measured_duration = piece_end;

// The frame as the canvas takes it: RGBA, the top row first, one
// little-endian word a pixel.
uint32_t rgba[screen_pixels];
unsigned char lookup[lookup_table_bytes];

}  // namespace

extern "C" {

// Measures the track the page fetched (bytes in memory the page
// allocated): 1 when it holds MP3 audio. Without it the piece closes as it
// does live without music, after bar 135.
EMSCRIPTEN_KEEPALIVE int web_measure_track(const unsigned char* bytes, int size) {
    TrackLength length;
    const bool track_measured = size > 0 && measure_mp3_length(bytes, (size_t)size, &length) == 1;
    measured_duration = track_measured ? track_duration_seconds(length) : piece_end;
    return track_measured ? 1 : 0;
}

// Reads the URL parameters (null when absent) as the command line reads
// them and prepares the run: the seed's layout, the frame count, the start
// seek. fresh_seed is used when no seed is given. Returns the messages for
// the page, one line each, empty when every value was read as written.
EMSCRIPTEN_KEEPALIVE const char* web_begin_run(const char* seed, const char* start, const char* frame,
                                               unsigned fresh_seed) {
    run.duration = measured_duration;
    read_web_parameters(run.parameters, seed, start, frame, fresh_seed, run.duration);
    run.run_frames = run.parameters.run_frames;
    layout_seed = run.parameters.seed;
    build_startup_layout();
    run.frame = begin_piece_frames(run.parameters.start_seconds);
    run.seek = begin_skipped_timeline(run.parameters.start_seconds > 0.0 ? run.parameters.start_seconds : 0.0);
    run.frames_done = 0;
    build_lookup_table(lookup, export_palette, export_palette_count);
    use_draw_backend(DrawBackend::raster);
    return run.parameters.messages;
}

EMSCRIPTEN_KEEPALIVE unsigned web_seed() { return (unsigned)layout_seed; }
EMSCRIPTEN_KEEPALIVE double web_start_seconds() { return run.parameters.start_seconds; }
EMSCRIPTEN_KEEPALIVE int web_still_frame() { return (int)run.parameters.still_frame; }
EMSCRIPTEN_KEEPALIVE int web_run_frames() { return (int)run.run_frames; }
EMSCRIPTEN_KEEPALIVE int web_frame_number() { return (int)run.frames_done; }

// Up to max_steps steps of the skipped timeline, then its loader picture.
// 1 once the seek is done (at once when the run starts at 0).
EMSCRIPTEN_KEEPALIVE int web_step_seek(int max_steps) {
    for (int i = 0; i < max_steps && !skipped_timeline_done(run.seek); i++) {
        step_skipped_timeline(run.seek, run_simulation_step);
    }
    draw_start_loader_picture(run.seek.t, run.seek.target);
    return skipped_timeline_done(run.seek) ? 1 : 0;
}

// 1 while frames remain to be stepped.
EMSCRIPTEN_KEEPALIVE int web_running() {
    return run.frames_done < run.run_frames && run.frame.running ? 1 : 0;
}

// The next frame of the run, drawn or only stepped. 0 when the run had
// already ended (nothing is stepped then), else 1.
EMSCRIPTEN_KEEPALIVE int web_step_frame(int drawn) {
    if (!web_running()) return 0;
    set_offline_frame_clock(run.frame, run.frames_done);
    const FrameEnding ending = {true, run.duration, false};
    play_piece_frame(run.frame, ending, drawn != 0);
    run.frames_done++;
    return 1;
}

// The prompt shown until a click or key lets the browser play sound.
EMSCRIPTEN_KEEPALIVE void web_draw_prompt() {
    clear_frame_to_black();
    set_colour(white_colour);
    centered_credit_text("ostrel", 500.0f);
    centered_credit_text("click or press a key to play", 540.0f);
}

EMSCRIPTEN_KEEPALIVE void web_toggle_hud() { run.frame.hud_visible = !run.frame.hud_visible; }

// The R key: a fresh seed; song time and the music go on.
EMSCRIPTEN_KEEPALIVE void web_reseed(unsigned seed) { reseed_layout(seed); }

// The frame last drawn, converted for the canvas; the pointer stays valid.
EMSCRIPTEN_KEEPALIVE const unsigned char* web_frame_rgba() {
    const unsigned char* rgb = raster_frame_pixels();
    for (int y = 0; y < screen_height; y++) {
        const unsigned char* from = rgb + (size_t)(screen_height - 1 - y) * screen_width * 3;
        uint32_t* to = rgba + (size_t)y * screen_width;
        // Most of a frame is black: eight black pixels are three zero
        // words (a row is 240 such blocks).
        for (int x = 0; x < screen_width; x += 8, from += 24) {
            uint64_t w[3];
            std::memcpy(w, from, 24);
            if ((w[0] | w[1] | w[2]) == 0) {
                for (int k = 0; k < 8; k++) to[x + k] = 0xFF000000u;
                continue;
            }
            for (int k = 0; k < 8; k++) {
                const unsigned char* p = from + k * 3;
                to[x + k] = 0xFF000000u | (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
            }
        }
    }
    return reinterpret_cast<const unsigned char*>(rgba);
}

// The CRC-32s of the frame last drawn, as the committed reference values
// take them: of its palette indexes, then of its RGB bytes, bottom row
// first. The pointer stays valid.
EMSCRIPTEN_KEEPALIVE const uint32_t* web_frame_crcs() {
    static uint32_t crcs[2];
    const FrameCrcs frame = frame_crcs(raster_frame_pixels(), lookup, screen_pixels);
    crcs[0] = frame.indexed;
    crcs[1] = frame.rgb;
    return crcs;
}

}  // extern "C"
