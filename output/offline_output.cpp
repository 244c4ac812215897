#include "output/offline_output.h"

#include "output/encode_workers.h"
#include "output/file_places.h"
#include "output/frame_totals.h"
#include "render/draw.h"
#include "render/gl_setup.h"
#include "timeline/timeline.h"
#include "timeline/track.h"

#include <cerrno>
#include <cstdarg>
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

// The reason (a printf format) and the closing line; 0 for the caller.
int refuse_recording(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputs(recording_failed, stderr);
    return 0;
}

int check_recording_name(const char* file, const char* track, const AudioPlacement& audio) {
    static char command[encoder_command_capacity];
    static char temp_template[recording_path_capacity];
    if (!safe_output_name(file)) {
        std::fputs("Recording filename contains unsupported characters.\n", stderr);
        std::fputs(recording_failed, stderr);
        return 0;
    }
    // The encoder reads the track: recording over it would destroy it.
    if (same_file(file, track)) {
        std::fprintf(stderr, "Recording filename %s is the music track %s, which the recording reads.\n", file,
                     track);
        std::fputs(recording_failed, stderr);
        return 0;
    }
    struct stat info;
    if (stat(file, &info) == 0 && S_ISDIR(info.st_mode)) {
        return refuse_recording("Recording filename %s is a directory.\n", file);
    }
    if (!has_recording_extension(file)) {
        return refuse_recording("Recording filename %s needs the extension .mkv, .avi, .mov or .nut: the encoder "
                                "chooses the file format by it.\n",
                                file);
    }
    if (!format_recording_temp_template(temp_template, sizeof temp_template, file) ||
        !format_encoder_command(command, encoder_command_capacity, temp_template, encoder_track_word, audio)) {
        return refuse_recording("Recording filename is too long: %s\n", file);
    }
    // The temporary file is made beside the name: its directory must take it.
    static char directory[recording_path_capacity];
    format_file_folder(directory, sizeof directory, file);
    if (access(directory, W_OK | X_OK) != 0) {
        return refuse_recording("Cannot write the recording into %s: %s\n", directory, std::strerror(errno));
    }
    if (!program_on_search_path("ffmpeg", std::getenv("PATH"))) {
        std::fputs("ffmpeg was not found on the search path.\n", stderr);
        std::fputs(recording_failed, stderr);
        return 0;
    }
    return 1;
}

int refuse_export_directory(const char* directory, int error_number) {
    std::fprintf(stderr, "Could not create PNG export directory: %s: %s\n", directory, std::strerror(error_number));
    std::fputs(export_failed, stderr);
    return 0;
}

// The directory must be usable already or makeable in its parent, so a
// mistake is found before the seek and the render, not after.
int check_export_directory(const char* directory) {
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
    if (usable_directory(directory)) return 1;
    if (errno != ENOENT) return refuse_export_directory(directory, errno);
    static char parent[export_directory_capacity];
    format_parent_folder(parent, sizeof parent, directory);
    if (!usable_directory(parent)) return refuse_export_directory(directory, errno);
    return 1;
}

// Creates the directory or reuses an existing one; it must end up a
// directory that frames can be written into.
int prepare_export_directory(const char* directory) {
    if (mkdir(directory, 0755) != 0 && errno != EEXIST) return refuse_export_directory(directory, errno);
    if (!usable_directory(directory)) return refuse_export_directory(directory, errno);
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

// The finished frame: our rasteriser's own buffer, or an OpenGL read-back
// into buffer. A GL frame on which nothing was drawn since its clear is
// black: no need to ask the driver for it.
const unsigned char* finished_frame(unsigned char* buffer) {
    if (draw_backend() == DrawBackend::raster) return raster_frame_pixels();
    flush_drawing();
    if (!frame_has_drawing()) {
        std::memset(buffer, 0, rgb_frame_bytes);
    } else {
        read_gl_frame(buffer);
    }
    return buffer;
}

// The range must lie inside the run: 1 <= first <= last <= the run's last
// frame.
int check_frame_range(int64_t first, int64_t last, int64_t run_frames) {
    if (first < 1 || last < first) {
        std::fprintf(stderr, "Frame range %ld-%ld is empty or starts before frame 1.\n", (long)first, (long)last);
        return 0;
    }
    if (last > run_frames) {
        std::fprintf(stderr, "Frame range %ld-%ld ends after the run's last frame, %ld.\n", (long)first, (long)last,
                     (long)run_frames);
        return 0;
    }
    return 1;
}

bool frame_is_inspected(const OfflineOutput& out, int64_t frame_number) {
    const FrameInspection* inspection = out.inspection;
    return inspection != nullptr && out.next_inspected < inspection->frame_count &&
           inspection->frames[out.next_inspected] == frame_number;
}

void describe_encoder_status(int status) {
    std::fputs("ffmpeg did not finish successfully.\n", stderr);
    if (status == -1) {
        std::fprintf(stderr, "Waiting for ffmpeg failed: %s\n", std::strerror(errno));
    } else if (WIFEXITED(status)) {
        std::fprintf(stderr, "ffmpeg exited with status %d; the recording is incomplete.\n", WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        std::fprintf(stderr, "ffmpeg was stopped by signal %d; the recording is incomplete.\n", WTERMSIG(status));
    }
}

// Frame files of an earlier, longer run beyond the last one written: they
// are left alone, but the user hears of them.
void report_stale_frames(const char* directory, int64_t last_frame) {
    char path[frame_path_capacity];
    struct stat info;
    int64_t stale = 0;
    while (format_frame_path(path, sizeof path, directory, last_frame + stale + 1) && stat(path, &info) == 0) stale++;
    if (stale > 0) {
        std::fprintf(stderr, "%s still holds %ld frame files after frame-%06ld.png from an earlier, longer run.\n",
                     directory, (long)stale, (long)last_frame);
    }
}

}  // namespace

int plan_offline_output(OfflineOutput& out, const RenderRequest& request) {
    out = OfflineOutput{};
    out.recording = request.record_path != nullptr;
    out.exporting = request.export_dir != nullptr;
    out.inspection = request.inspection;
    out.record_path = request.record_path;
    out.export_dir = request.export_dir;
    double duration = 0.0;
    out.track_path = find_music_track(true);
    if (out.track_path == nullptr || !probe_track_duration_file(out.track_path, &duration)) return 0;
    out.duration = duration;
    const double total_seconds = offline_total_seconds(duration);
    out.total_frames = offline_total_frames(total_seconds);
    out.run_frames = offline_rendered_frames(request.start_seconds, duration, out.total_frames);

    out.whole_run = request.first_frame == 0 && request.last_frame == 0;
    out.first_frame = request.first_frame != 0 ? request.first_frame : 1;
    out.last_frame = request.last_frame != 0 ? request.last_frame : out.total_frames;
    if (!out.whole_run && !check_frame_range(out.first_frame, out.last_frame, out.run_frames)) return 0;
    // The frames this run writes: a range exactly, a whole run until its
    // end rule stops it.
    out.range_frames = out.whole_run ? out.run_frames : out.last_frame - out.first_frame + 1;
    out.audio = place_recording_audio(request.start_seconds, out.first_frame, out.range_frames, out.whole_run,
                                      total_seconds);
    if (out.recording && out.exporting && one_name_for_both(request.record_path, request.export_dir)) {
        std::fprintf(stderr, "The recording and the PNG frames cannot both be %s: give them different names.\n",
                     request.record_path);
        return 0;
    }
    if (out.recording && !check_recording_name(request.record_path, out.track_path, out.audio)) return 0;
    if (out.exporting && !check_export_directory(request.export_dir)) return 0;
    out.planned = true;
    return 1;
}

int start_offline_output(OfflineOutput& out) {
    if (!out.planned) return 0;
    if (out.exporting) {
        if (!prepare_export_directory(out.export_dir)) return 0;
    }
    if (out.exporting || out.inspection != nullptr) {
        if (!setup_exporter(out.exporter, out.exporting ? out.export_dir : "")) {
            std::fputs(export_failed, stderr);
            return 0;
        }
    }
    if (out.recording) {
        if (!start_recorder(out.recorder, out.record_path, out.track_path, out.audio)) {
            if (!out.recorder.spawn_failed) {
                std::fprintf(stderr, "Could not create a temporary file beside %s: %s\n", out.record_path,
                             std::strerror(errno));
            } else {
                std::fprintf(stderr, "Could not start ffmpeg: %s\n", std::strerror(errno));
            }
            free_exporter(out.exporter);
            std::fputs(recording_failed, stderr);
            return 0;
        }
        std::fprintf(stderr, "Recording %ld frames to %s\n", (long)out.range_frames, out.record_path);
    }
    if (out.exporting) {
        if (!start_encode_workers(out.exporter, choose_encode_worker_count())) {
            free_exporter(out.exporter);
            if (out.recording) {
                finish_recorder(out.recorder);
                discard_recording(out.recorder);
            }
            std::fputs(export_failed, stderr);
            return 0;
        }
        std::fprintf(stderr, "Exporting %ld indexed PNG frames to %s\n", (long)out.range_frames,
                     out.exporter.directory);
    }
    ignore_file_size_signal();
    start_progress(out.progress, out.range_frames, isatty(STDERR_FILENO) == 1, monotonic_seconds());
    return 1;
}

int setup_offline_output(OfflineOutput& out, const RenderRequest& request) {
    return plan_offline_output(out, request) && start_offline_output(out);
}

int64_t offline_frames_done(const OfflineOutput& out) {
    return out.frames_passed;
}

bool offline_frame_wanted(const OfflineOutput& out) {
    const int64_t frame_number = out.frames_passed + 1;
    if (frame_number < out.first_frame || frame_number > out.last_frame) return false;
    if (out.inspection != nullptr) return frame_is_inspected(out, frame_number);
    return true;
}

bool write_offline_frame(OfflineOutput& out) {
    const int64_t frame_number = out.frames_passed + 1;
    bool stop = false;
    if (offline_frame_wanted(out)) {
        const unsigned char* source = nullptr;
        if (out.recording) {
            source = finished_frame(out.recorder.frame);
            if (recorder_write_frame(out.recorder, source)) {
                out.recorder.frames_written++;
            } else {
                out.short_write = true;
                stop = true;
            }
        }
        if (out.exporting || out.inspection != nullptr) {
            // One frame serves every output.
            if (source == nullptr) source = finished_frame(out.exporter.rgb);
            unsigned char* indexed = out.exporting ? acquire_encode_slot() : out.exporter.indexed;
            map_frame_to_palette(source, out.exporter.lookup, indexed, indexed_frame_bytes);
            if (frame_is_inspected(out, frame_number)) {
                out.inspection->inspect(out.inspection->context, frame_number, source, indexed);
                out.next_inspected++;
            }
            if (out.exporting) {
                submit_encode_slot(frame_number);
                if (encode_failed()) stop = true;
            }
        }
    }
    out.frames_passed++;
    if (out.frames_passed >= out.last_frame) stop = true;
    if (out.inspection != nullptr && out.next_inspected >= out.inspection->frame_count) stop = true;
    int64_t done = out.frames_passed - (out.first_frame - 1);
    report_progress(out.progress, done > 0 ? done : 0, monotonic_seconds());
    return stop;
}

// A render ended early (Escape, a quit, a signal) keeps what it wrote.
void report_stopped_render(int64_t done, int64_t wanted, const char* where) {
    std::fprintf(stderr, "The render was stopped after %ld of %ld frames; %s holds those %ld frames.\n", (long)done,
                 (long)wanted, where, (long)done);
}

int finish_offline_output(OfflineOutput& out) {
    end_progress(out.progress);
    int status = 0;
    if (out.recording) {
        int64_t written = out.recorder.frames_written;
        int encoder_status = finish_recorder(out.recorder);
        bool complete = true;
        if (out.recorder.stuck) {
            std::fputs("ffmpeg stopped reading frames and was stopped.\n", stderr);
            complete = false;
        } else if (out.short_write) {
            std::fprintf(stderr, "ffmpeg stopped reading frames after %ld of %ld frames.\n", (long)written,
                         (long)out.range_frames);
            complete = false;
        }
        if (encoder_status != 0) {
            if (!out.recorder.stuck) describe_encoder_status(encoder_status);
            complete = false;
        } else if (!recording_written(out.recorder)) {
            std::fputs("ffmpeg finished without writing the recording.\n", stderr);
            complete = false;
        }
        if (complete) {
            // Kept as a valid file also when the render ended early (Escape,
            // a quit, a signal), with its sound cut to its picture.
            if (!keep_recording(out.recorder, out.record_path, out.range_frames)) {
                status = 1;
            } else if (written < out.range_frames) {
                report_stopped_render(written, out.range_frames, out.record_path);
            }
        } else {
            discard_recording(out.recorder);
            std::fprintf(stderr, "Nothing was written to %s; an earlier file of that name is untouched.\n",
                         out.record_path);
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
        } else if (out.whole_run && out.frames_passed >= out.run_frames) {
            report_stale_frames(out.exporter.directory, out.frames_passed);
        } else if (!out.recording && out.frames_passed < out.first_frame - 1 + out.range_frames) {
            const int64_t done = out.frames_passed > out.first_frame - 1 ? out.frames_passed - (out.first_frame - 1) : 0;
            report_stopped_render(done, out.range_frames, out.export_dir);
        }
    }
    free_exporter(out.exporter);  // also the inspection's buffers
    restore_file_size_signal();
    out.recording = false;
    out.exporting = false;
    out.inspection = nullptr;
    out.planned = false;
    return status;
}
