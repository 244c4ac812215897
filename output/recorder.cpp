#include "output/recorder.h"

#include "timeline/timeline.h"
#include "timeline/track.h"

#include <cerrno>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Raw RGB from standard input, flipped upright (read-back rows come bottom
// row first), the track placed by its delay and seek, FFV1 with every frame
// a key frame, PCM sound, cut at the rendered length. -xerror makes the
// encoder's exit status report a file it could not finish (a full disk
// found only when the trailer is written is otherwise exit status 0).
const char* const encoder_command_format =
    "ffmpeg -y -loglevel warning -xerror -f rawvideo -pixel_format rgb24 -video_size %dx%d -framerate %d -i - "
    "%s-i %s -filter:v vflip -map 0:v:0 -map 1:a:0 -c:v ffv1 -level 3 "
    "-coder 1 -context 1 -g 1 -c:a pcm_s16le -t %.6f %s";

// Seconds with six decimals, trailing zeros dropped: 2 and 1.983333.
void format_short_seconds(char* out, size_t size, double seconds) {
    std::snprintf(out, size, "%.6f", seconds);
    char* end = out + std::strlen(out);
    while (end > out && end[-1] == '0') *--end = '\0';
    if (end > out && end[-1] == '.') *--end = '\0';
}

bool is_safe_name_byte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '/' || c == '_';
}

bool is_executable_file(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && S_ISREG(info.st_mode) && access(path, X_OK) == 0;
}

// While the encoder runs, a write into its closed pipe must come back as a
// short write instead of killing the program.
struct sigaction saved_sigpipe;
bool sigpipe_saved = false;

}  // namespace

int safe_output_name(const char* name) {
    if (name == nullptr || name[0] == '\0') return 0;
    for (const char* p = name; *p != '\0'; p++) {
        if (!is_safe_name_byte((unsigned char)*p)) return 0;
    }
    return 1;
}

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

int format_encoder_command(char* out, size_t size, const char* file, const AudioPlacement& audio) {
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
                          music_track_path, audio.cut_seconds, file);
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

int start_recorder(Recorder& recorder, const char* command, int64_t total_frames) {
    recorder = Recorder{};
    recorder.frame = (unsigned char*)std::malloc(rgb_frame_bytes);
    if (recorder.frame == nullptr) return 0;
    recorder.pipe = popen(command, "w");
    if (recorder.pipe == nullptr) {
        std::free(recorder.frame);
        recorder = Recorder{};
        return 0;
    }
    // Ignored only after the fork, so the encoder keeps its default.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigpipe_saved = sigaction(SIGPIPE, &ignore, &saved_sigpipe) == 0;
    recorder.total_frames = total_frames;
    return 1;
}

int recorder_write_frame(Recorder& recorder) {
    if (recorder.pipe == nullptr) return 0;
    return std::fwrite(recorder.frame, 1, rgb_frame_bytes, recorder.pipe) == rgb_frame_bytes ? 1 : 0;
}

int finish_recorder(Recorder& recorder) {
    int status = 0;
    if (recorder.pipe != nullptr) {
        status = pclose(recorder.pipe);
        if (sigpipe_saved) sigaction(SIGPIPE, &saved_sigpipe, nullptr);
        sigpipe_saved = false;
    }
    std::free(recorder.frame);
    recorder = Recorder{};
    return status;
}
