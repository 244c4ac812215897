// The lossless recording: raw RGB frames written through a pipe into an
// encoder process started without a shell in its own process group, so a
// Ctrl-C meant for the program does not reach it. The encoder writes a new
// temporary file beside the final name; only a complete recording is moved
// into place, so a failed one never touches an earlier file of that name.
#pragma once

#include "output/file_places.h"
#include "render/screen.h"

#include <cstddef>
#include <cstdint>

const size_t rgb_frame_bytes = screen_pixels * 3;  // 6,220,800
const size_t encoder_command_capacity = 2048;
// Stands for the track in the encoder command until it is split into
// words, so the track's path may hold any character; no safe output name
// holds an '@'.
const char* const encoder_track_word = "@track@";

// Where the track lies against the recorded picture: the sound starts
// delay_seconds into the video, from track_start_seconds into the track,
// and the file is cut at cut_seconds.
struct AudioPlacement {
    double delay_seconds;
    double track_start_seconds;
    double cut_seconds;
};

const size_t recording_path_capacity = 1024 + 64;
// Seconds after a stop request that a write waits for an encoder that has
// stopped reading, and that the encoder gets to finish its file.
const double stuck_encoder_seconds = 0.5;
const double encoder_finish_seconds = 5.0;
// Seconds that cutting the sound of a recording ended early may take.
const double sound_cut_seconds = 60.0;

struct Recorder {
    int pid;               // the encoder process; 0 when idle
    int fd;                // write end of its standard input (non-blocking); -1 when idle
    unsigned char* frame;  // one RGB frame, bottom row first, for an OpenGL read-back
    int64_t frames_written;
    bool stuck;            // the encoder stopped reading after a stop request
    bool spawn_failed;     // start_recorder made the file but could not start the encoder
    int err_fd;            // read end of the encoder's standard error; -1 when idle
    char message[4096];    // the encoder's unfinished message line
    size_t message_length;
    char temp_path[recording_path_capacity];  // the file being written
};

// The sound of frames first_frame .. first_frame + frame_count - 1 of a run
// started at song time start_seconds: the 2 s lead-in delays it, a later
// song time seeks into the track. A whole run from the start is cut at
// total_seconds, any other at the frames it renders.
AudioPlacement place_recording_audio(double start_seconds, int64_t first_frame, int64_t frame_count,
                                     bool whole_run, double total_seconds);

// Formats the encoder command for the output file, reading the track at
// track, into out. Returns 1, or 0 if the command does not fit in size
// bytes.
int format_encoder_command(char* out, size_t size, const char* file, const char* track,
                           const AudioPlacement& audio);

// 1 if an executable named program lies in one of the directories of
// search_path (a colon-separated list; an empty entry is the working
// directory). A null search_path: 1.
int program_on_search_path(const char* program, const char* search_path);

// Allocates the frame buffer, creates the temporary file beside name
// (exclusively) and starts the encoder writing it. 1 on success; on failure
// nothing is left allocated, running or created.
int start_recorder(Recorder& recorder, const char* name, const char* track, const AudioPlacement& audio);
// Writes one RGB frame (rgb_frame_bytes, bottom row first) to the encoder. 1 if all of it was written, 0 when
// the encoder has exited or, after a stop request, has taken no byte for
// stuck_encoder_seconds (then stuck is set).
int recorder_write_frame(Recorder& recorder, const unsigned char* rgb);
// Closes the pipe and waits for the encoder to exit; after a stop request it
// gets encoder_finish_seconds, and a stuck encoder none, before it is killed.
// Returns the wait status (0 = the encoder exited with 0), -1 if it could
// not be waited for; 0 when the recorder was idle. The temporary file stays
// for keep_recording or discard_recording.
int finish_recorder(Recorder& recorder);
// Moves the finished temporary file to name; when frames_written is below
// planned_frames (the render ended early) the sound is first cut to the
// picture by a stream copy. 1 on success; 0 with the temporary file removed.
int keep_recording(Recorder& recorder, const char* name, int64_t planned_frames);
// Removes the temporary file and frees the buffer.
void discard_recording(Recorder& recorder);
// 1 if the temporary file exists and is not empty.
int recording_written(const Recorder& recorder);
