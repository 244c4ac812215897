#include "output/recorder.h"

#include "output/file_places.h"
#include "timeline/timeline.h"

#include "output/progress.h"
#include "output/stop_signals.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Raw RGB from standard input, flipped upright (read-back rows come bottom
// row first), the track placed by its delay and seek, FFV1 with every frame
// a key frame, PCM sound, cut at the rendered length. -xerror makes the
// encoder's exit status report a file it could not finish (a full disk
// found only when the trailer is written is otherwise exit status 0).
const char* const encoder_command_format =
    "ffmpeg -y -loglevel warning -xerror -f rawvideo -pixel_format rgb24 -video_size %dx%d -framerate %d "
    "-i - "
    "%s-i %s -filter:v vflip -map 0:v:0 -map 1:a:0 -c:v ffv1 -level 3 "
    "-coder 1 -context 1 -g 1 -c:a pcm_s16le -t %.6f %s";

// Seconds with six decimals, trailing zeros dropped: 2 and 1.983333.
void format_short_seconds(char* out, size_t size, double seconds) {
    std::snprintf(out, size, "%.6f", seconds);
    char* end = out + std::strlen(out);
    while (end > out && end[-1] == '0') *--end = '\0';
    if (end > out && end[-1] == '.') *--end = '\0';
}

bool is_executable_file(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0;
}

extern "C" char** environ;

// Splits text at its spaces into argv (at most capacity - 1 words, then a
// null). Encoder commands hold only safe names, so no quoting is needed.
int split_words(char* text, char** argv, int capacity) {
    int count = 0;
    char* p = text;
    while (*p != '\0' && count < capacity - 1) {
        while (*p == ' ') *p++ = '\0';
        if (*p == '\0') break;
        argv[count++] = p;
        while (*p != '\0' && *p != ' ') p++;
    }
    argv[count] = nullptr;
    return count;
}

// Starts argv[0] from the search path in its own process group with the
// default signal dispositions, its standard input the read end of a pipe
// (stdin_fd, when not null, receives the write end; else input is
// /dev/null) and, when stderr_fd is not null, its standard error the write
// end of another (stderr_fd receives the read end). Returns the pid, or 0.
pid_t spawn_in_own_group(char* const* argv, int* stdin_fd, int* stderr_fd) {
    int fds[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (stdin_fd != nullptr && pipe2(fds, O_CLOEXEC) != 0) return 0;
    if (stderr_fd != nullptr && pipe2(err, O_CLOEXEC) != 0) {
        if (stdin_fd != nullptr) close(fds[0]), close(fds[1]);
        return 0;
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (stdin_fd != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    if (stderr_fd != nullptr) posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (int signal_number : {SIGPIPE, SIGXFSZ, SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, signal_number);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    int error = posix_spawnp(&pid, argv[0], &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (stdin_fd != nullptr) close(fds[0]);
    if (stderr_fd != nullptr) close(err[1]);
    if (error != 0) {
        if (stdin_fd != nullptr) close(fds[1]);
        if (stderr_fd != nullptr) close(err[0]);
        errno = error;
        return 0;
    }
    if (stdin_fd != nullptr) *stdin_fd = fds[1];
    if (stderr_fd != nullptr) {
        fcntl(err[0], F_SETFL, O_NONBLOCK);
        *stderr_fd = err[0];
    }
    return pid;
}

// The encoder's own messages pass through to standard error line by line,
// except its note that its input queue is full: that happens in every
// recording (the program draws faster than the encoder encodes) and is no
// news to the user. Reads what is there without waiting; at_end also
// passes on an unfinished last line.
const char* const queue_warning = "Thread message queue blocking";

// One line (without its newline; line[length] is 0) to standard error.
void pass_on_line(const char* line, size_t length, bool newline) {
    if (length == 0 || std::strstr(line, queue_warning) != nullptr) return;
    std::fwrite(line, 1, length, stderr);
    if (newline) std::fputc('\n', stderr);
}

void forward_encoder_messages(Recorder& recorder, bool at_end) {
    if (recorder.err_fd < 0) return;
    for (;;) {
        size_t room = sizeof recorder.message - 1 - recorder.message_length;
        ssize_t n = read(recorder.err_fd, recorder.message + recorder.message_length, room);
        if (n < 0 && errno == EINTR) continue;
        if (n > 0) recorder.message_length += (size_t)n;
        recorder.message[recorder.message_length] = '\0';
        // Whole lines out; a line longer than the buffer goes out in parts.
        char* start = recorder.message;
        char* newline;
        while ((newline = std::strchr(start, '\n')) != nullptr) {
            *newline = '\0';
            pass_on_line(start, (size_t)(newline - start), true);
            start = newline + 1;
        }
        size_t left = recorder.message_length - (size_t)(start - recorder.message);
        if (left == sizeof recorder.message - 1 || (at_end && n <= 0)) {
            pass_on_line(start, left, false);
            left = 0;
        }
        std::memmove(recorder.message, start, left);
        recorder.message_length = left;
        if (n <= 0) break;
    }
    if (at_end) {
        close(recorder.err_fd);
        recorder.err_fd = -1;
    }
}

// Waits for pid; once deadline (monotonic seconds, < 0: none) has passed,
// at once when kill_now is set, or when a stop signal arrives beyond the
// stops_seen already counted (< 0: not watched), its process group is
// killed first. The encoder (messages not null) also gets a deadline from a
// stop signal that arrives while it finishes.
int wait_for_process(pid_t pid, bool kill_now, double deadline, bool* killed, Recorder* messages,
                     int stops_seen = -1) {
    int status = 0;
    for (;;) {
        if (messages != nullptr) forward_encoder_messages(*messages, false);
        if (stops_seen >= 0 && stop_signal_count() > stops_seen && !*killed) kill_now = true;
        if (kill_now || (deadline >= 0.0 && monotonic_seconds() > deadline)) {
            kill(-pid, SIGKILL);
            *killed = true;
            kill_now = false;
            deadline = -1.0;
        }
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return status;
        if (done < 0 && errno != EINTR) return -1;
        if (messages != nullptr && deadline < 0.0 && stop_requested() && !*killed) {
            deadline = stop_requested_at() + encoder_finish_seconds;
        }
        if (done == 0) usleep(10000);
    }
}

}  // namespace

AudioPlacement place_recording_audio(double start_seconds, int64_t first_frame, int64_t frame_count,
                                     bool whole_run, double total_seconds) {
    AudioPlacement audio = {};
    const double first_clock = offline_clock(first_frame - 1);
    if (first_clock < lead_in_seconds) {
        audio.delay_seconds = lead_in_seconds - first_clock;
        audio.track_start_seconds = start_seconds;
    } else {
        audio.track_start_seconds = start_seconds + first_clock - lead_in_seconds;
    }
    const bool from_start = whole_run && start_seconds == 0.0;
    audio.cut_seconds = from_start ? total_seconds : (double)frame_count / (double)frame_rate;
    return audio;
}

int format_encoder_command(char* out, size_t size, const char* file, const char* track,
                           const AudioPlacement& audio) {
    char placement[96] = "";
    char number[48];
    if (audio.delay_seconds > 0.0) {
        format_short_seconds(number, sizeof number, audio.delay_seconds);
        std::snprintf(placement, sizeof placement, "-itsoffset %s ", number);
    }
    if (audio.track_start_seconds > 0.0) {
        size_t used = std::strlen(placement);
        std::snprintf(placement + used, sizeof placement - used, "-ss %.6f ", audio.track_start_seconds);
    }
    int n = std::snprintf(out, size, encoder_command_format, screen_width, screen_height, frame_rate, placement,
                          track, audio.cut_seconds, file);
    return n >= 0 && (size_t)n < size ? 1 : 0;
}

int program_on_search_path(const char* program, const char* search_path) {
    if (search_path == nullptr) return 1;
    char candidate[4096];
    const char* entry = search_path;
    for (;;) {
        const char* end = std::strchr(entry, ':');
        size_t length = end != nullptr ? (size_t)(end - entry) : std::strlen(entry);
        int n = length == 0 ? std::snprintf(candidate, sizeof candidate, "%s", program)
                            : std::snprintf(candidate, sizeof candidate, "%.*s/%s", (int)length, entry, program);
        if (n > 0 && (size_t)n < sizeof candidate && is_executable_file(candidate)) return 1;
        if (end == nullptr) return 0;
        entry = end + 1;
    }
}

int start_recorder(Recorder& recorder, const char* name, const char* track, const AudioPlacement& audio) {
    recorder = Recorder{};
    recorder.fd = -1;
    recorder.err_fd = -1;
    static char command[encoder_command_capacity];
    static char* argv[64];
    if (!create_temp_beside(recorder.temp_path, sizeof recorder.temp_path, name)) return 0;
    recorder.frame = (unsigned char*)std::malloc(rgb_frame_bytes);
    // The track's path may hold any character (a space in a folder's name):
    // it takes its word's place after the command is split.
    if (recorder.frame == nullptr ||
        !format_encoder_command(command, sizeof command, recorder.temp_path, encoder_track_word, audio)) {
        discard_recording(recorder);
        return 0;
    }
    const int words = split_words(command, argv, 64);
    for (int i = 0; i < words; i++) {
        if (std::strcmp(argv[i], encoder_track_word) == 0) argv[i] = (char*)track;
    }
    recorder.pid = spawn_in_own_group(argv, &recorder.fd, &recorder.err_fd);
    if (recorder.pid == 0) {
        int error = errno;
        discard_recording(recorder);
        recorder.spawn_failed = true;
        errno = error;
        return 0;
    }
    fcntl(recorder.fd, F_SETFL, O_NONBLOCK);
    // A write into the pipe of an encoder that has gone must come back as a
    // failed write, not kill the program.
    ignore_broken_pipes();
    return 1;
}

int recorder_write_frame(Recorder& recorder, const unsigned char* rgb) {
    if (recorder.fd < 0) return 0;
    size_t done = 0;
    // An encoder that is slow (a loaded machine) still takes bytes; one that
    // has taken none since the stop request, or since it last took some, for
    // stuck_encoder_seconds has stopped reading.
    double last_taken = 0.0;
    while (done < rgb_frame_bytes) {
        ssize_t n = write(recorder.fd, rgb + done, rgb_frame_bytes - done);
        if (n > 0) {
            done += (size_t)n;
            if (stop_requested()) last_taken = monotonic_seconds();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            if (stop_requested() &&
                monotonic_seconds() - std::max(stop_requested_at(), last_taken) > stuck_encoder_seconds) {
                recorder.stuck = true;
                return 0;
            }
            struct pollfd ready[2] = {{recorder.fd, POLLOUT, 0}, {recorder.err_fd, POLLIN, 0}};
            poll(ready, recorder.err_fd >= 0 ? 2 : 1, 20);
            forward_encoder_messages(recorder, false);
            continue;
        }
        return 0;  // the encoder has gone (EPIPE) or another write error
    }
    forward_encoder_messages(recorder, false);
    return 1;
}

int finish_recorder(Recorder& recorder) {
    if (recorder.pid == 0) return 0;
    close(recorder.fd);
    recorder.fd = -1;
    double deadline = stop_requested() ? stop_requested_at() + encoder_finish_seconds : -1.0;
    bool killed = false;
    int status = wait_for_process(recorder.pid, recorder.stuck, deadline, &killed, &recorder);
    forward_encoder_messages(recorder, true);
    recorder.pid = 0;
    return status;
}

int recording_written(const Recorder& recorder) {
    struct stat info;
    return recorder.temp_path[0] != '\0' && stat(recorder.temp_path, &info) == 0 && S_ISREG(info.st_mode) &&
                   info.st_size > 0
               ? 1
               : 0;
}

int keep_recording(Recorder& recorder, const char* name, int64_t planned_frames) {
    if (recorder.frames_written < planned_frames) {
        // Cut the sound, which runs to the planned length, to the picture.
        static char trimmed[recording_path_capacity];
        static char cut[32];
        if (create_temp_beside(trimmed, sizeof trimmed, name)) {
            std::snprintf(cut, sizeof cut, "%.6f", (double)recorder.frames_written / (double)frame_rate);
            char* argv[] = {(char*)"ffmpeg", (char*)"-nostdin", (char*)"-y", (char*)"-loglevel", (char*)"error",
                            (char*)"-i", recorder.temp_path, (char*)"-map", (char*)"0", (char*)"-c", (char*)"copy",
                            (char*)"-t", cut, trimmed, nullptr};
            // The copy runs after the stop deadline: it has one of its own,
            // and a further stop signal ends it at once.
            pid_t pid = spawn_in_own_group(argv, nullptr, nullptr);
            bool killed = false;
            const double deadline = monotonic_seconds() + sound_cut_seconds;
            if (pid != 0 && wait_for_process(pid, false, deadline, &killed, nullptr, stop_signal_count()) == 0 &&
                rename(trimmed, recorder.temp_path) == 0) {
                trimmed[0] = '\0';
            }
            if (trimmed[0] != '\0') {
                unlink(trimmed);
                std::fputs("Could not cut the sound to the picture; the recording keeps the planned length of sound.\n",
                           stderr);
            }
        }
    }
    if (rename(recorder.temp_path, name) != 0) {
        std::fprintf(stderr, "Could not move the recording into place as %s: %s\n", name, std::strerror(errno));
        discard_recording(recorder);
        return 0;
    }
    recorder.temp_path[0] = '\0';
    discard_recording(recorder);
    return 1;
}

void discard_recording(Recorder& recorder) {
    if (recorder.temp_path[0] != '\0') unlink(recorder.temp_path);
    recorder.temp_path[0] = '\0';
    std::free(recorder.frame);
    recorder.frame = nullptr;
}
