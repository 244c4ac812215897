// The lossless recording: raw RGB frames written through a pipe into an
// encoder process started through the shell.
#pragma once

#include "render/screen.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

const size_t rgb_frame_bytes = screen_pixels * 3;  // 6,220,800
const size_t encoder_command_capacity = 2048;

// Where the track lies against the recorded picture: the sound starts
// delay_seconds into the video, from track_start_seconds into the track,
// and the file is cut at cut_seconds.
struct AudioPlacement {
    double delay_seconds;
    double track_start_seconds;
    double cut_seconds;
};

struct Recorder {
    FILE* pipe;            // write end of the encoder's standard input; null when idle
    unsigned char* frame;  // one RGB frame, bottom row first
    int64_t frames_written;
    int64_t total_frames;
};

// 1 if name is non-null, non-empty and made only of A-Z a-z 0-9 - . / _,
// so it can be handed to the shell unquoted.
int safe_output_name(const char* name);

// The sound of frames first_frame .. first_frame + frame_count - 1 of a run
// started at song time start_seconds: the 2 s lead-in delays it, a later
// song time seeks into the track. A whole run from the start is cut at
// total_seconds, any other at the frames it renders.
AudioPlacement place_recording_audio(double start_seconds, int64_t first_frame, int64_t frame_count,
                                     bool whole_run, double total_seconds);

// Formats the encoder command for the output file into out. Returns 1, or
// 0 if the command does not fit in size bytes.
int format_encoder_command(char* out, size_t size, const char* file, const AudioPlacement& audio);

// 1 if an executable named program lies in one of the directories of
// search_path (a colon-separated list; an empty entry is the working
// directory). A null search_path leaves the search to the shell: 1.
int program_on_search_path(const char* program, const char* search_path);

// Allocates the frame buffer and starts the command. 1 on success; on
// failure nothing is left allocated or running.
int start_recorder(Recorder& recorder, const char* command, int64_t total_frames);
// Writes the frame buffer to the encoder in one fwrite. 1 if all of it was
// written, 0 on a short write (the encoder has stopped reading).
int recorder_write_frame(Recorder& recorder);
// Closes the pipe, waiting for the encoder to exit, and frees the buffer.
// Returns the status from pclose (0 = the encoder succeeded); 0 when the
// recorder was idle.
int finish_recorder(Recorder& recorder);
