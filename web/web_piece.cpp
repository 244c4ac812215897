// The browser's hold on the piece: the functions the page calls, compiled
// to WebAssembly with the platform-free run (app/piece_run.h) and our
// rasteriser. The page owns the clock, the keys and the sound; here every
// frame is stepped exactly as an offline run steps it, so frame N on the
// page is frame N of the offline run.
#include "app/piece_run.h"
#include "graph/graph_state.h"
#include "output/palette.h"
#include "render/draw.h"
#include "render/font.h"
#include "render/primitives.h"
#include "timeline/track_length.h"
#include "web/frame_crc.h"
#include "web/web_parameters.h"

#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstring>

namespace {

PieceRun run;
WebParameters parameters;
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

// The song time at which a run closes, as measured from the track (or the
// piece's own end without one); the site ships it (tools/web.sh), so the
// page can prepare a run before the track has arrived.
EMSCRIPTEN_KEEPALIVE double web_track_duration() { return measured_duration; }
EMSCRIPTEN_KEEPALIVE void web_use_track_duration(double duration) {
    measured_duration = duration >= piece_end ? duration : piece_end;
}

// Reads the URL parameters (null when absent) as the command line reads
// them and prepares the run: the seed's layout, the frame count, the start
// seek. fresh_seed is used when no seed is given. Returns the messages for
// the page, one line each, empty when every value was read as written.
EMSCRIPTEN_KEEPALIVE const char* web_begin_run(const char* seed, const char* start, const char* frame,
                                               unsigned fresh_seed) {
    read_web_parameters(parameters, seed, start, frame, fresh_seed, measured_duration);
    begin_piece_run(run, parameters.seed, parameters.start_seconds, parameters.run_frames, measured_duration);
    build_lookup_table(lookup, export_palette, export_palette_count);
    return parameters.messages;
}

EMSCRIPTEN_KEEPALIVE unsigned web_seed() { return (unsigned)layout_seed; }
EMSCRIPTEN_KEEPALIVE double web_start_seconds() { return parameters.start_seconds; }
EMSCRIPTEN_KEEPALIVE int web_still_frame() { return (int)parameters.still_frame; }
EMSCRIPTEN_KEEPALIVE int web_run_frames() { return (int)run.run_frames; }
EMSCRIPTEN_KEEPALIVE int web_frame_number() { return (int)run.frames_done; }

// Up to max_steps steps of the skipped timeline, then its loader picture.
// 1 once the seek is done (at once when the run starts at 0).
EMSCRIPTEN_KEEPALIVE int web_step_seek(int max_steps) { return step_piece_run_seek(run, max_steps) ? 1 : 0; }

// 1 while frames remain to be stepped.
EMSCRIPTEN_KEEPALIVE int web_running() { return piece_run_running(run) ? 1 : 0; }

// The next frame of the run, drawn or only stepped. 0 when the run had
// already ended (nothing is stepped then), else 1.
EMSCRIPTEN_KEEPALIVE int web_step_frame(int drawn) { return step_piece_run_frame(run, drawn != 0) ? 1 : 0; }

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
