#include "app/frame_loop.h"

#include "app/piece_frame.h"
#include "graph/graph_state.h"
#include "output/stop_signals.h"
#include "render/draw.h"
#include "render/gl_setup.h"
#include "render/present.h"
#include "timeline/music.h"
#include "timeline/timeline.h"

#include <cstdio>

namespace {

const float max_step_seconds = 0.05f;

// What only the SDL loop keeps: its counters and the music anchor; the
// piece's own frame state is a PieceFrame.
struct LoopState {
    PieceFrame frame;
    Uint64 prev_now;
    Uint64 frame_start;
    Uint64 now;
    Uint64 ticks_per_frame;
    Uint64 next_swap;  // real time: counter value at which the next frame is shown
    bool music_attempted;
    bool audio_started;
    Uint32 queued_after_prefill;
};

// Static: it holds a 32 KiB decode buffer and lives for the whole run.
MusicStream music;


void handle_events(LoopState& loop, AppWindow& app) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            loop.frame.running = false;
        } else if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
            switch (event.key.keysym.sym) {
            case SDLK_ESCAPE: loop.frame.running = false; break;
            case SDLK_i: loop.frame.hud_visible = !loop.frame.hud_visible; break;
            case SDLK_r: reseed_from_clock(); break;
            case SDLK_f: toggle_full_screen(app); break;
            default: break;
            }
        }
    }
}

// Real-time mode: open the music 2 s into the loop and anchor song time on
// the first frame on which the device has begun to consume its prefill.
void align_music(LoopState& loop, double start_seconds) {
    PieceFrame& frame = loop.frame;
    if (!loop.music_attempted && frame.clock >= lead_in_seconds) {
        loop.music_attempted = true;
        if (music_open(music, start_seconds)) {
            loop.queued_after_prefill = SDL_GetQueuedAudioSize(music.device);
            SDL_PauseAudioDevice(music.device, 0);
        } else {
            std::fputs("Music playback unavailable; continuing silently.\n", stderr);
            frame.audio_start = frame.clock;
        }
    }
    if (music.active && !loop.audio_started && SDL_GetQueuedAudioSize(music.device) < loop.queued_after_prefill) {
        loop.audio_started = true;
        frame.audio_start = frame.clock + music.latency;
    }
    // A stream that stopped on a decode error before the device began to
    // play would otherwise hold the lead-in forever: start silently.
    if (loop.music_attempted && frame.audio_start < 0.0 && !music.active) {
        frame.audio_start = frame.clock;
    }
}

// Real time: frames are shown on a fixed 1/60 s schedule. The drawing is
// finished first, then the rest of the slot is waited out (whole
// milliseconds minus one asleep, the rest spinning) and the frame shown, so
// frames reach the screen at even intervals however long each took to
// draw. A frame that is already late is shown at once and the schedule
// starts again from it: no catch-up.
void wait_for_swap_slot(LoopState& loop) {
    finish_gl_frame();
    Uint64 frequency = SDL_GetPerformanceFrequency();
    Uint64 counter = SDL_GetPerformanceCounter();
    if ((int64_t)(loop.next_swap - counter) > 0) {
        Uint64 ms = ((loop.next_swap - counter) * 1000) / frequency;
        if (ms > 1) SDL_Delay((Uint32)(ms - 1));
        while ((int64_t)(loop.next_swap - SDL_GetPerformanceCounter()) > 0) {
        }
        loop.next_swap += loop.ticks_per_frame;
    } else {
        loop.next_swap = counter + loop.ticks_per_frame;
    }
}

}  // namespace

void reseed_from_clock() {
    reseed_layout(seed_from_clock());
}

// Offline, the loop clock is the frame's own: frame n at n / 60 s. In real
// time it advances by the time since the last frame, at most one long step.
static void advance_loop_clock(LoopState& loop, const OfflineOutput* output) {
    PieceFrame& frame = loop.frame;
    if (output != nullptr) {
        set_offline_frame_clock(frame, offline_frames_done(*output));
        return;
    }
    float elapsed = (float)((double)(loop.now - loop.prev_now) / (double)SDL_GetPerformanceFrequency());
    frame.dt = elapsed > max_step_seconds ? max_step_seconds : elapsed;
    frame.clock = frame.clock + frame.dt;
}

int run_frame_loop(AppWindow& app, double start_seconds, OfflineOutput* output) {
    const bool offline = output != nullptr;
    music = MusicStream{};
    LoopState loop = {};
    loop.frame = begin_piece_frames(start_seconds);
    loop.prev_now = SDL_GetPerformanceCounter();
    loop.ticks_per_frame = SDL_GetPerformanceFrequency() / frame_rate;
    loop.next_swap = loop.prev_now + loop.ticks_per_frame;

    for (;;) {
        if (app.window != nullptr && !app.windowed) {
            if (app.blank_cursor != nullptr) SDL_SetCursor(app.blank_cursor);
            SDL_ShowCursor(SDL_DISABLE);
        }
        loop.frame_start = SDL_GetPerformanceCounter();
        loop.now = SDL_GetPerformanceCounter();
        advance_loop_clock(loop, output);

        loop.frame.running = true;
        handle_events(loop, app);
        if (offline && stop_requested()) loop.frame.running = false;  // SIGINT, SIGTERM, SIGHUP: as Escape
        if (!offline) align_music(loop, start_seconds);

        // Offline frames outside the range asked for are stepped through
        // without a picture: the simulation and the end rule still run.
        const bool drawn = !offline || offline_frame_wanted(*output);
        if (song_time_running(loop.frame) && music.active) music_update(music);
        const FrameEnding ending = {offline, offline ? output->duration : 0.0, music.active != 0};
        play_piece_frame(loop.frame, ending, drawn);

        flush_drawing();
        if (offline && write_offline_frame(*output)) loop.frame.running = false;
        if (!offline) wait_for_swap_slot(loop);
        if (drawn && app.window != nullptr) present_frame(app.window);
        if (!loop.frame.running) break;
        loop.prev_now = loop.now;
    }

    int status = 0;
    if (offline) status = finish_offline_output(*output);
    // A render a signal stopped kept what it wrote, but is not whole: a
    // failure to write stays status 1, else 128 + the signal.
    if (offline && status == 0) status = stop_exit_status();
    if (loop.music_attempted) music_close(music);
    close_window(app);
    return status;
}
