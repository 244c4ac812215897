// The musical clock of the piece (140 BPM, 4/4) and the song times at which
// its acts change. Every boundary is a double constant on the beat grid.
// Song time is called t throughout; the other clocks have their own names:
// graph_time (half of song time), the frame loop's clock (loop clock) and
// l (local time of the tree scene, from bar 96).
#pragma once

#include <cstdint>

const double beat_seconds = 0.42857142857142855;  // 60 / 140
const double bar_seconds = 1.7142857142857142;    // 4 beats

const double title_card_start = 29.142857142857142;    // bar 18
const double title_card_end = 41.14285714285714;       // end of bar 24
const double blue_phase_start = 54.857142857142854;    // 32 bars
const double blue_cull_start = 65.35714285714286;      // 152.5 beats
const double circle_phase_start = 164.57142857142856;  // 96 bars
const double hud_end = 219.42857142857142;             // 128 bars
const double piece_end = 231.42857142857142;           // 135 bars

const int piece_bars = 147;  // the bar count the head-up text shows

// The nodes start to swirl at graph time 20 (graph time runs at half song
// time: song time 40).
const double swirl_start_graph_time = 20.0;

// Frames: 60 per second of clock, 1/60 s of song time per offline frame.
const int frame_rate = 60;
const double frame_seconds = 0.016666666666666666;  // 1 / 60
// Black frames before song time starts (offline: exactly 120 frames), and
// the closing blackout: the frame on which 4 s of it have passed is the last.
const double lead_in_seconds = 2.0;
const double blackout_seconds = 4.0;

// Loop clock of the offline frame with 0-based index frame_index.
inline double offline_clock(int64_t frame_index) { return (double)frame_index / (double)frame_rate; }
// True once the closing blackout that began at end_time has lasted its
// 4 s at clock: that frame is the last one.
inline bool blackout_finished(double clock, double end_time) { return !(clock - end_time < blackout_seconds); }

// Bar number shown to the viewer, counting from 1.
int bar_number(double t);
// 1 on each beat of graph time, falling towards 0 (passed to growth).
float beat_pulse(double graph_time);
// True during the first 28 % of every beat of song time.
bool beat_flash(double t);

// Rewrites the AM control (active node count) from the whole beats elapsed.
void update_startup_amount(double t);
