#include "output/file_places.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool is_safe_name_byte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '/' || c == '_';
}

void add_place(TrackPlaces& places, const char* path) {
    if (places.count >= track_place_capacity || std::strlen(path) >= place_path_capacity) return;
    for (int i = 0; i < places.count; i++) {
        if (std::strcmp(places.paths[i], path) == 0) return;
    }
    std::memcpy(places.paths[places.count++], path, std::strlen(path) + 1);
}

// A path's full name for comparison: its folder resolved (links, "." and
// "..") and its last part, without trailing slashes. The text itself when
// the folder cannot be resolved.
std::string full_output_name(const char* path) {
    std::string name(path);
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    const size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    char resolved[PATH_MAX];
    if (realpath(folder.c_str(), resolved) == nullptr) return name;
    return std::string(resolved) + "/" + last;
}

}  // namespace

void list_track_places(TrackPlaces& places, bool offline, const char* executable_folder) {
    places.count = 0;
    char path[place_path_capacity];
    if (offline) add_place(places, music_track_path);
    if (executable_folder == nullptr) return;
    int n = std::snprintf(path, sizeof path, "%s/%s", executable_folder, music_track_path);
    if (n > 0 && (size_t)n < sizeof path) add_place(places, path);
    const char* slash = std::strrchr(executable_folder, '/');
    const int parent_length = slash != nullptr ? (int)(slash - executable_folder) : 0;
    n = std::snprintf(path, sizeof path, "%.*s/%s/%s", parent_length, executable_folder, installed_data_folder,
                      music_track_file);
    if (n > 0 && (size_t)n < sizeof path) add_place(places, path);
}

int find_executable_folder(char* out, size_t size) {
    ssize_t n = readlink("/proc/self/exe", out, size - 1);
    if (n <= 0) return 0;
    out[n] = '\0';
    char* slash = std::strrchr(out, '/');
    if (slash == nullptr) return 0;
    *slash = '\0';
    return 1;
}

const char* find_music_track(bool offline) {
    static char folder[place_path_capacity];
    static TrackPlaces places;
    list_track_places(places, offline, find_executable_folder(folder, sizeof folder) ? folder : nullptr);
    struct stat info;
    for (int i = 0; i < places.count; i++) {
        if (stat(places.paths[i], &info) == 0) return places.paths[i];
    }
    char working[place_path_capacity];
    if (getcwd(working, sizeof working) == nullptr) std::snprintf(working, sizeof working, "(unknown)");
    std::fprintf(stderr, "Cannot find the music track %s. Looked for it, in this order, at:\n", music_track_file);
    for (int i = 0; i < places.count; i++) {
        if (places.paths[i][0] == '/') {
            std::fprintf(stderr, "  %s\n", places.paths[i]);
        } else {
            std::fprintf(stderr, "  %s (under the working folder %s)\n", places.paths[i], working);
        }
    }
    return nullptr;
}

int safe_output_name(const char* name) {
    if (name == nullptr || name[0] == '\0') return 0;
    for (const char* p = name; *p != '\0'; p++) {
        if (!is_safe_name_byte((unsigned char)*p)) return 0;
    }
    return 1;
}

bool has_recording_extension(const char* file) {
    const char* slash = std::strrchr(file, '/');
    const char* base = slash != nullptr ? slash + 1 : file;
    const char* dot = std::strrchr(base, '.');
    if (dot == nullptr || dot == base) return false;
    for (const char* known : {".mkv", ".avi", ".mov", ".nut"}) {
        if (strcasecmp(dot, known) == 0) return true;
    }
    return false;
}

int format_recording_temp_template(char* out, size_t size, const char* name) {
    const char* slash = std::strrchr(name, '/');
    const char* base = slash != nullptr ? slash + 1 : name;
    const char* dot = std::strrchr(base, '.');
    const char* extension = dot != nullptr && dot != base ? dot : "";
    const size_t suffix = std::strlen(".partial-XXXXXX") + std::strlen(extension);
    // A long name's own temporary name would pass the file system's limit
    // on one name: then it is a hidden name of its own in the same folder.
    int n;
    if (std::strlen(base) + suffix <= max_file_name_bytes) {
        n = std::snprintf(out, size, "%s.partial-XXXXXX%s", name, extension);
    } else if (suffix <= max_file_name_bytes) {
        n = std::snprintf(out, size, "%.*s.partial-XXXXXX%s", (int)(base - name), name, extension);
    } else {
        return 0;
    }
    return n >= 0 && (size_t)n < size ? 1 : 0;
}

int create_temp_beside(char* out, size_t size, const char* name) {
    int fd = -1;
    if (format_recording_temp_template(out, size, name)) {
        const char* extension = std::strrchr(out, 'X') + 1;
        fd = mkstemps(out, (int)std::strlen(extension));
    }
    if (fd < 0) {
        out[0] = '\0';
        return 0;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return 1;
}

void format_file_folder(char* out, size_t size, const char* file) {
    const char* slash = std::strrchr(file, '/');
    std::snprintf(out, size, "%.*s", slash != nullptr ? (int)(slash - file) + 1 : 1, slash != nullptr ? file : ".");
}

int same_file(const char* a, const char* b) {
    struct stat sa, sb;
    if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return 0;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino ? 1 : 0;
}

// One name for the recording and the frames' folder cannot serve both: the
// frames would fill a folder of that name, and the recording could not be
// moved onto it when it is done.
bool one_name_for_both(const char* record, const char* directory) {
    return full_output_name(record) == full_output_name(directory) || same_file(record, directory);
}

int usable_directory(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0) return 0;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return 0;
    }
    return access(path, W_OK | X_OK) == 0 ? 1 : 0;
}

void format_parent_folder(char* out, size_t size, const char* directory) {
    size_t length = std::strlen(directory);
    while (length > 1 && directory[length - 1] == '/') length--;  // "frames/" is "frames"
    while (length > 0 && directory[length - 1] != '/') length--;
    std::snprintf(out, size, "%.*s", length > 0 ? (int)length : 1, length > 0 ? directory : ".");
}

int format_frame_path(char* out, size_t size, const char* directory, int64_t frame_number) {
    int n = std::snprintf(out, size, "%s/frame-%06ld.png", directory, (long)frame_number);
    return n >= 0 && (size_t)n < size ? 1 : 0;
}

int format_frame_temp_path(char* out, size_t size, const char* path, long pid, int writer_id) {
    int n = std::snprintf(out, size, "%s.%ld-%d.tmp", path, pid, writer_id);
    return n >= 0 && (size_t)n < size ? 1 : 0;
}
