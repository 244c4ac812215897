// The music track as a file: where it lies and how long it plays.
#pragma once

// 0 when path names something that is not a regular file (a FIFO, a
// device, a folder): opening it could block for ever or read no end.
// 1 otherwise, also when it does not exist (opening it then fails).
int track_may_be_opened(const char* path);

// Length of the track at path, at least piece_end seconds. 1 on success;
// on failure 0 after one line on stderr naming the track that could not be
// read.
int probe_track_duration_file(const char* path, double* duration);
