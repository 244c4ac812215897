// The music track as a file: where it lies and how long it plays.
#pragma once

// Under the working directory for the offline modes, and in the "src"
// directory beside the executable for playback.
const char* const music_track_path = "src/beat3-140bpm.mp3";

// 0 when path names something that is not a regular file (a FIFO, a
// device, a folder): opening it could block for ever or read no end.
// 1 otherwise, also when it does not exist (opening it then fails).
int track_may_be_opened(const char* path);

// Length of the track under the working directory, at least piece_end
// seconds. 1 on success; on failure 0 after one line on stderr naming the
// track that could not be read.
int probe_track_duration(double* duration);
// The same for a track at an explicit path.
int probe_track_duration_file(const char* path, double* duration);
