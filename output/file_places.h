// Where the program reads and writes: the music track it looks for, in
// order, and the rules for the names of what it writes (safe characters, a
// recording's extension and its temporary name, the export folder, the
// frame files and theirs). Every such rule lives here, and nowhere else.
#pragma once

#include <cstddef>
#include <cstdint>

// --- The music track.
const char* const music_track_file = "beat3-140bpm.mp3";
// Under the working folder (offline) or beside the executable (live).
const char* const music_track_path = "src/beat3-140bpm.mp3";
// The installed data folder under the executable's folder's parent
// (bin/ostrel finds share/ostrel/ beside bin/).
const char* const installed_data_folder = "share/ostrel";

const int track_place_capacity = 3;
const size_t place_path_capacity = 4096;

struct TrackPlaces {
    int count;
    char paths[track_place_capacity][place_path_capacity];
};

// The places the track is looked for, in order: offline first
// "src/beat3-140bpm.mp3" under the working folder, live first "src/" beside
// the executable; then, for both, "src/" beside the executable and the
// installed data folder. executable_folder (null: unknown) ends without a
// slash; a place named twice is listed once.
void list_track_places(TrackPlaces& places, bool offline, const char* executable_folder);
// The folder of the running executable, without a trailing slash, into out;
// 0 when it cannot be told.
int find_executable_folder(char* out, size_t size);
// The first place that holds the track (any file: the caller checks it), or
// null after a message naming every place tried, in order. The path stays
// valid for the whole run.
const char* find_music_track(bool offline);

// --- Names of what is written.
// 1 if name is non-null, non-empty and made only of A-Z a-z 0-9 - . / _,
// so it can be handed to the shell unquoted.
int safe_output_name(const char* name);
// A recording's extension: the encoder chooses the file format by it, and
// .mkv, .avi, .mov and .nut hold the FFV1 picture and the PCM sound.
bool has_recording_extension(const char* file);
// The longest name of one file that file systems take.
const size_t max_file_name_bytes = 255;
// The temporary name beside name: name + ".partial-XXXXXX" + name's
// extension (the encoder picks the format by it), or, where that would be
// too long a file name, ".partial-XXXXXX" + the extension in name's folder.
// 1 if it fits in size and in a file name.
int format_recording_temp_template(char* out, size_t size, const char* name);
// Creates a new, empty temporary file beside name (see the template) and
// leaves its name in out; 0 with out empty when that fails. The file gets
// the permissions of any new file under the user's umask.
int create_temp_beside(char* out, size_t size, const char* name);
// The folder a file of this name is made in ("." for a bare name), into out.
void format_file_folder(char* out, size_t size, const char* file);
// 1 when a and b both exist and are the same file (device and inode, links
// followed).
int same_file(const char* a, const char* b);
// True when a recording and an export folder of these names would be one
// and the same (compared with their folders resolved).
bool one_name_for_both(const char* record, const char* directory);
// 0 with errno set unless path is a directory that files can be made in.
int usable_directory(const char* path);
// The folder an export folder of this name would be made in, into out
// ("frames/" is "frames", made in ".").
void format_parent_folder(char* out, size_t size, const char* directory);
// "%s/frame-%06ld.png"; 1 if it fits in size bytes.
int format_frame_path(char* out, size_t size, const char* directory, int64_t frame_number);
// A frame's temporary name: path.PID-WRITER.tmp, so runs and their writers
// never share one. 1 if it fits in size bytes.
int format_frame_temp_path(char* out, size_t size, const char* path, long pid, int writer_id);
