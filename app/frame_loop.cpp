#include "app/frame_loop.h"

#include "app/overlay.h"
#include "graph/graph_drawing.h"
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "output/stop_signals.h"
#include "render/draw.h"
#include "render/gl_setup.h"
#include "render/present.h"
#include "scene/circle_phase.h"
#include "timeline/music.h"
#include "timeline/timeline.h"

#include <cstdio>

namespace {

const float max_step_seconds = 0.05f;

struct LoopState {
    double clock;
    float dt;
    Uint64 prev_now;
    Uint64 frame_start;
    Uint64 now;
    Uint64 ticks_per_frame;
    Uint64 next_swap;  // real time: counter value at which the next frame is shown
    bool running;
    bool hud_visible;
    bool music_attempted;
    bool audio_started;
    Uint32 queued_after_prefill;
    double audio_start;
    double end_time;
};

// Static: it holds a 32 KiB decode buffer and lives for the whole run.
MusicStream music;


// The closing blackout's clock: it begins on its first frame and ends the
// loop on the frame on which 4 s of it have passed.
void time_blackout(LoopState& loop) {
    if (loop.end_time < 0.0) loop.end_time = loop.clock;
    loop.running = loop.running && !blackout_finished(loop.clock, loop.end_time);
}


void handle_events(LoopState& loop, AppWindow& app) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            loop.running = false;
        } else if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
            switch (event.key.keysym.sym) {
            case SDLK_ESCAPE: loop.running = false; break;
            case SDLK_i: loop.hud_visible = !loop.hud_visible; break;
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
    if (!loop.music_attempted && loop.clock >= lead_in_seconds) {
        loop.music_attempted = true;
        if (music_open(music, start_seconds)) {
            loop.queued_after_prefill = SDL_GetQueuedAudioSize(music.device);
            SDL_PauseAudioDevice(music.device, 0);
        } else {
            std::fputs("Music playback unavailable; continuing silently.\n", stderr);
            loop.audio_start = loop.clock;
        }
    }
    if (music.active && !loop.audio_started && SDL_GetQueuedAudioSize(music.device) < loop.queued_after_prefill) {
        loop.audio_started = true;
        loop.audio_start = loop.clock + music.latency;
    }
    // A stream that stopped on a decode error before the device began to
    // play would otherwise hold the lead-in forever: start silently.
    if (loop.music_attempted && loop.audio_start < 0.0 && !music.active) {
        loop.audio_start = loop.clock;
    }
}

void draw_song_frame(const LoopState& loop, FrameContent content, double t) {
    switch (content) {
    case FrameContent::blackout:
        break;  // the cleared frame is the blackout
    case FrameContent::circle_phase_only:
        draw_circle_phase(t);
        break;
    case FrameContent::graph_scene:
        draw_graph_scene(t);
        draw_title_card(t);
        if (loop.hud_visible && loop.end_time < 0.0) draw_hud(t, layout_seed);
        break;
    case FrameContent::circle_phase:
        draw_circle_phase(t);
        if (loop.hud_visible && loop.end_time < 0.0 && t < hud_end) draw_hud(t, layout_seed);
        break;
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

FrameContent choose_frame_content(double t, bool offline, double duration, bool music_active) {
    if (offline && t >= duration) return FrameContent::blackout;
    if (!offline && t >= piece_end) return music_active ? FrameContent::circle_phase_only : FrameContent::blackout;
    if (t < circle_phase_start) return FrameContent::graph_scene;
    return FrameContent::circle_phase;
}

void reseed_from_clock() {
    reseed_layout(seed_from_clock());
}

// Offline, the loop clock is the frame's own: frame n at n / 60 s. In real
// time it advances by the time since the last frame, at most one long step.
static void advance_loop_clock(LoopState& loop, const OfflineOutput* output) {
    if (output != nullptr) {
        loop.clock = offline_clock(offline_frames_done(*output));
        loop.dt = (float)frame_seconds;
        return;
    }
    float elapsed = (float)((double)(loop.now - loop.prev_now) / (double)SDL_GetPerformanceFrequency());
    loop.dt = elapsed > max_step_seconds ? max_step_seconds : elapsed;
    loop.clock = loop.clock + loop.dt;
}

// Once song time runs: one simulation step before bar 96, the music, and
// the frame's picture when it is drawn.
static void play_song_time(LoopState& loop, double start_seconds, const OfflineOutput* output, bool drawn) {
    const bool offline = output != nullptr;
    double t = start_seconds + loop.clock - loop.audio_start;
    if (t < circle_phase_start) run_simulation_step(t, loop.dt);
    if (music.active) music_update(music);
    FrameContent content = choose_frame_content(t, offline, offline ? output->duration : 0.0, music.active != 0);
    if (content == FrameContent::blackout) time_blackout(loop);
    if (drawn) draw_song_frame(loop, content, t);
}

int run_frame_loop(AppWindow& app, double start_seconds, OfflineOutput* output) {
    const bool offline = output != nullptr;
    music = MusicStream{};
    LoopState loop = {};
    loop.prev_now = SDL_GetPerformanceCounter();
    loop.ticks_per_frame = SDL_GetPerformanceFrequency() / frame_rate;
    loop.next_swap = loop.prev_now + loop.ticks_per_frame;
    loop.audio_start = -1.0;
    loop.end_time = -1.0;

    for (;;) {
        if (app.window != nullptr && !app.windowed) {
            if (app.blank_cursor != nullptr) SDL_SetCursor(app.blank_cursor);
            SDL_ShowCursor(SDL_DISABLE);
        }
        loop.frame_start = SDL_GetPerformanceCounter();
        loop.now = SDL_GetPerformanceCounter();
        advance_loop_clock(loop, output);

        loop.running = true;
        handle_events(loop, app);
        if (offline && stop_requested()) loop.running = false;  // SIGINT, SIGTERM, SIGHUP: as Escape

        if (offline) {
            if (loop.clock >= lead_in_seconds) loop.audio_start = lead_in_seconds;
        } else {
            align_music(loop, start_seconds);
        }

        // Offline frames outside the range asked for are stepped through
        // without a picture: the simulation and the end rule still run.
        const bool drawn = !offline || offline_frame_wanted(*output);
        if (drawn) clear_frame_to_black();
        if (loop.audio_start >= 0.0 && loop.clock >= loop.audio_start) {
            play_song_time(loop, start_seconds, output, drawn);
        }

        flush_drawing();
        if (offline && write_offline_frame(*output)) loop.running = false;
        if (!offline) wait_for_swap_slot(loop);
        if (drawn && app.window != nullptr) present_frame(app.window);
        if (!loop.running) break;
        loop.prev_now = loop.now;
    }

    int status = 0;
    if (offline) status = finish_offline_output(*output);
    if (loop.music_attempted) music_close(music);
    close_window(app);
    return status;
}
