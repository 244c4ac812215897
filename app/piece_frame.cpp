#include "app/piece_frame.h"

#include "app/overlay.h"
#include "graph/graph_drawing.h"
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "render/draw.h"
#include "scene/circle_phase.h"
#include "timeline/timeline.h"

FrameContent choose_frame_content(double t, bool offline, double duration, bool music_active) {
    if (offline && t >= duration) return FrameContent::blackout;
    if (!offline && t >= piece_end) return music_active ? FrameContent::circle_phase_only : FrameContent::blackout;
    if (t < circle_phase_start) return FrameContent::graph_scene;
    return FrameContent::circle_phase;
}

PieceFrame begin_piece_frames(double start_seconds) {
    PieceFrame frame = {};
    frame.start_seconds = start_seconds;
    frame.audio_start = -1.0;
    frame.end_time = -1.0;
    frame.running = true;
    return frame;
}

void set_offline_frame_clock(PieceFrame& frame, int64_t frame_index) {
    frame.clock = offline_clock(frame_index);
    frame.dt = (float)frame_seconds;
    if (frame.clock >= lead_in_seconds) frame.audio_start = lead_in_seconds;
}

bool song_time_running(const PieceFrame& frame) {
    return frame.audio_start >= 0.0 && frame.clock >= frame.audio_start;
}

double frame_song_time(const PieceFrame& frame) {
    return frame.start_seconds + frame.clock - frame.audio_start;
}

static void draw_song_frame(const PieceFrame& frame, FrameContent content, double t) {
    const bool hud = frame.hud_visible && frame.end_time < 0.0;
    switch (content) {
    case FrameContent::blackout:
        break;  // the cleared frame is the blackout
    case FrameContent::circle_phase_only:
        draw_circle_phase(t);
        break;
    case FrameContent::graph_scene:
        draw_graph_scene(t);
        draw_title_card(t);
        if (hud) draw_hud(t, layout_seed);
        break;
    case FrameContent::circle_phase:
        draw_circle_phase(t);
        if (hud && t < hud_end) draw_hud(t, layout_seed);
        break;
    }
}

void play_piece_frame(PieceFrame& frame, const FrameEnding& ending, bool drawn) {
    if (drawn) clear_frame_to_black();
    if (!song_time_running(frame)) return;  // the lead-in is black
    const double t = frame_song_time(frame);
    if (t < circle_phase_start) run_simulation_step(t, frame.dt);
    const FrameContent content = choose_frame_content(t, ending.offline, ending.duration, ending.music_active);
    if (content == FrameContent::blackout) {
        // The closing blackout's clock: it begins on its first frame and
        // the frame on which 4 s of it have passed is the last.
        if (frame.end_time < 0.0) frame.end_time = frame.clock;
        if (blackout_finished(frame.clock, frame.end_time)) frame.running = false;
    }
    if (drawn) draw_song_frame(frame, content, t);
}
