// What one frame of the piece is, whatever drives it: the song time from
// the loop clock and the audio anchor, one simulation step before bar 96,
// the choice of what is shown, the closing blackout's timing and the
// drawing. Platform-free: the SDL frame loop and the browser page both
// drive it, each with its own clock, keys and sound.
#pragma once

#include <cstdint>

// What a frame past the lead-in shows, decided by song time alone (and,
// in real-time mode, by whether the music still plays).
enum class FrameContent { blackout, circle_phase_only, graph_scene, circle_phase };
FrameContent choose_frame_content(double t, bool offline, double duration, bool music_active);

// The state one frame hands to the next.
struct PieceFrame {
    double start_seconds;  // song time heard at audio_start
    double clock;          // loop clock, seconds from the first frame
    float dt;              // this frame's step of song time
    double audio_start;    // clock at which start_seconds is heard; negative: not known yet
    double end_time;       // clock at which the closing blackout began; negative: not begun
    bool hud_visible;      // the seed and bar counter (the I key)
    bool running;          // false once this frame is the last one
};

// How the piece closes: offline (and in the browser, whose frames are the
// offline ones) once song time reaches duration; in real time once the
// music has stopped after bar 135.
struct FrameEnding {
    bool offline;
    double duration;
    bool music_active;
};

PieceFrame begin_piece_frames(double start_seconds);

// The offline clock of the frame with 0-based index frame_index: clock
// frame_index / 60, a step of exactly 1/60 s, and the audio anchored at the
// end of the 2 s lead-in.
void set_offline_frame_clock(PieceFrame& frame, int64_t frame_index);

// True when the frame's clock has reached song time (past the lead-in).
bool song_time_running(const PieceFrame& frame);
// Song time of the frame; meaningful when song_time_running.
double frame_song_time(const PieceFrame& frame);

// One frame at the clock already set: cleared to black when drawn; past
// the lead-in one simulation step before bar 96, the closing blackout's
// clock, and, when drawn, the picture of its song time. A frame that
// is not drawn is stepped all the same, so the frames after it are the
// ones a run that drew it would show. Clears frame.running on the last
// frame of the closing blackout.
void play_piece_frame(PieceFrame& frame, const FrameEnding& ending, bool drawn);
