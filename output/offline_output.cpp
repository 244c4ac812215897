#include "output/offline_output.h"

#include "output/encode_workers.h"
#include "output/frame_totals.h"
#include "timeline/music.h"

#include <GL/gl.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char* const recording_failed = "Could not start ffmpeg recording.\n";
const char* const export_failed = "Could not start indexed PNG export.\n";

// A full disk or a file size limit must surface as a failed write, not
// kill the program, so the frame in progress can be cleaned up.
struct sigaction saved_sigxfsz;
bool sigxfsz_saved = false;

int check_recording_name(const char* file, double start_seconds, double cut_seconds, char* command) {
    if (!safe_output_name(file)) {
        std::fputs("Recording filename contains unsupported characters.\n", stderr);
        std::fputs(recording_failed, stderr);
        return 0;
    }
    if (!format_encoder_command(command, encoder_command_capacity, file, start_seconds, cut_seconds)) {
        std::fputs("Recording filename is too long.\n", stderr);
        std::fputs(recording_failed, stderr);
        return 0;
    }
    if (!program_on_search_path("ffmpeg", std::getenv("PATH"))) {
        std::fputs("ffmpeg was not found on the search path.\n", stderr);
        std::fputs(recording_failed, stderr);
        return 0;
    }
    return 1;
}

int check_export_directory_name(const char* directory) {
    if (!safe_output_name(directory)) {
        std::fputs("PNG export directory contains unsupported characters.\n", stderr);
        std::fputs(export_failed, stderr);
        return 0;
    }
    if (std::strlen(directory) >= export_directory_capacity) {
        std::fputs("PNG export directory name is too long.\n", stderr);
        std::fputs(export_failed, stderr);
        return 0;
    }
    return 1;
}

// Creates the directory or reuses an existing one; it must end up a
// directory that frames can be written into.
int prepare_export_directory(const char* directory) {
    bool made = mkdir(directory, 0755) == 0 || errno == EEXIST;
    struct stat info;
    if (!made || stat(directory, &info) != 0 || !S_ISDIR(info.st_mode) || access(directory, W_OK | X_OK) != 0) {
        std::fprintf(stderr, "Could not create PNG export directory: %s\n", directory);
        std::fputs(export_failed, stderr);
        return 0;
    }
    return 1;
}

void ignore_file_size_signal() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigxfsz_saved = sigaction(SIGXFSZ, &ignore, &saved_sigxfsz) == 0;
}

void restore_file_size_signal() {
    if (sigxfsz_saved) sigaction(SIGXFSZ, &saved_sigxfsz, nullptr);
    sigxfsz_saved = false;
}

void read_back_frame(unsigned char* rgb) {
    glReadPixels(0, 0, frame_width, frame_height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

void describe_encoder_status(int status) {
    std::fputs("ffmpeg did not finish successfully.\n", stderr);
    if (status == -1) {
        std::fprintf(stderr, "Waiting for ffmpeg failed: %s\n", std::strerror(errno));
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
        std::fputs("The shell could not run ffmpeg (exit status 127).\n", stderr);
    } else if (WIFEXITED(status)) {
        std::fprintf(stderr, "ffmpeg exited with status %d; the recording is incomplete.\n", WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        std::fprintf(stderr, "ffmpeg was stopped by signal %d; the recording is incomplete.\n", WTERMSIG(status));
    }
}

}  // namespace

int setup_offline_output(OfflineOutput& out, const LaunchOptions& options) {
    out = OfflineOutput{};
    out.recording = options.record;
    out.exporting = options.export_png;
    double duration = 0.0;
    if (!probe_track_duration(&duration)) return 0;
    out.duration = duration;
    const double total_seconds = offline_total_seconds(duration);
    const int64_t total_frames = offline_total_frames(total_seconds);
    out.rendered_frames = offline_rendered_frames(options.start_seconds, duration, total_frames);

    // A part-way recording is cut where the render actually ends; from the
    // start that is the full length T.
    const double cut_seconds =
        options.start_seconds > 0.0 ? (double)out.rendered_frames / (double)offline_frame_rate : total_seconds;
    static char command[encoder_command_capacity];
    if (out.recording && !check_recording_name(options.record_path, options.start_seconds, cut_seconds, command)) {
        return 0;
    }
    if (out.exporting && !check_export_directory_name(options.export_dir)) return 0;
    if (out.exporting) {
        if (!prepare_export_directory(options.export_dir)) return 0;
        if (!setup_exporter(out.exporter, options.export_dir, total_frames)) {
            std::fputs(export_failed, stderr);
            return 0;
        }
    }
    if (out.recording) {
        if (!start_recorder(out.recorder, command, total_frames)) {
            if (out.exporting) free_exporter(out.exporter);
            std::fputs(recording_failed, stderr);
            return 0;
        }
        std::fprintf(stderr, "Recording %ld frames to %s\n", (long)total_frames, options.record_path);
    }
    if (out.exporting) {
        if (!start_encode_workers(out.exporter, choose_encode_worker_count())) {
            free_exporter(out.exporter);
            if (out.recording) finish_recorder(out.recorder);
            std::fputs(export_failed, stderr);
            return 0;
        }
        std::fprintf(stderr, "Exporting %ld indexed PNG frames to %s\n", (long)total_frames, out.exporter.directory);
    }
    ignore_file_size_signal();
    start_progress(out.progress, out.rendered_frames, isatty(STDERR_FILENO) == 1, monotonic_seconds());
    return 1;
}

int64_t offline_frames_done(const OfflineOutput& out) {
    return out.recording ? out.recorder.frames_written : out.exporter.frame_index;
}

bool write_offline_frame(OfflineOutput& out) {
    bool stop = false;
    const unsigned char* source = nullptr;
    if (out.recording) {
        read_back_frame(out.recorder.frame);
        if (recorder_write_frame(out.recorder)) {
            out.recorder.frames_written++;
            stop = out.recorder.frames_written >= out.recorder.total_frames;
        } else {
            out.short_write = true;
            stop = true;
        }
        source = out.recorder.frame;
    }
    if (out.exporting) {
        // One read-back serves both outputs: the recorder's copy of the
        // back buffer is the same picture.
        if (source == nullptr) {
            read_back_frame(out.exporter.rgb);
            source = out.exporter.rgb;
        }
        unsigned char* indexed = acquire_encode_slot();
        map_frame_to_palette(source, out.exporter.lookup, indexed, indexed_frame_bytes);
        submit_encode_slot(out.exporter.frame_index + 1);
        out.exporter.frame_index++;
        if (out.exporter.frame_index >= out.exporter.frame_count || encode_failed()) stop = true;
    }
    int64_t done = out.recording ? out.recorder.frames_written : out.exporter.frame_index;
    report_progress(out.progress, done, monotonic_seconds());
    return stop;
}

int finish_offline_output(OfflineOutput& out) {
    end_progress(out.progress);
    int status = 0;
    if (out.recording) {
        int64_t written = out.recorder.frames_written;
        int encoder_status = finish_recorder(out.recorder);
        if (out.short_write) {
            std::fprintf(stderr, "ffmpeg stopped reading frames after %ld of %ld frames.\n", (long)written,
                         (long)out.rendered_frames);
            status = 1;
        }
        if (encoder_status != 0) {
            describe_encoder_status(encoder_status);
            status = 1;
        }
    }
    if (out.exporting) {
        EncodeReport report;
        stop_encode_workers(report);
        if (report.failed_frame != 0) {
            const char* reason = report.error_number != 0 ? std::strerror(report.error_number) : "PNG encoding failed";
            std::fprintf(stderr, "Could not write PNG frame %s: %s\n", report.failed_path, reason);
            status = 1;
        }
        free_exporter(out.exporter);
    }
    restore_file_size_signal();
    out.recording = false;
    out.exporting = false;
    return status;
}
