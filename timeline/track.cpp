#include "timeline/track.h"

#include "timeline/timeline.h"
#include "timeline/track_length.h"

#include <mpg123.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

int track_may_be_opened(const char* path) {
    struct stat info;
    return stat(path, &info) != 0 || S_ISREG(info.st_mode) ? 1 : 0;
}

// A track cut short (a download or a copy that stopped) still plays, and
// the run is as long as the audio it holds; the user is told, since the
// ending then comes early.
static void warn_if_cut_short(const char* path, double seconds, double duration) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return;
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    unsigned char* bytes = size > 0 ? (unsigned char*)std::malloc((size_t)size) : nullptr;
    TrackLength length;
    if (bytes != nullptr && std::fread(bytes, 1, (size_t)size, file) == (size_t)size &&
        measure_mp3_length(bytes, (size_t)size, &length) && length.cut_short) {
        std::fprintf(stderr, "The music track \"%s\" is cut short: it holds %.2f s of audio; the run closes at "
                     "song time %.2f s.\n", path, seconds, duration);
    }
    std::free(bytes);
    std::fclose(file);
}

int probe_track_duration_file(const char* path, double* duration) {
    if (!track_may_be_opened(path)) {
        std::fprintf(stderr, "The music track \"%s\" is not a regular file; give the MP3 file itself.\n", path);
        return 0;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    off_t length = 0;
    int error = 0;
    int readable = 0;
    mpg123_init();
    mpg123_handle* decoder = mpg123_new(nullptr, &error);
    if (decoder != nullptr) {
        mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
        if (mpg123_open(decoder, path) == MPG123_OK &&
            mpg123_getformat(decoder, &rate, &channels, &encoding) == MPG123_OK) {
            readable = 1;
            // Measured by decoding the frames, not by what a header claims:
            // a cut-off file is as long as the audio it holds.
            if (mpg123_scan(decoder) != MPG123_OK) readable = 0;
            length = mpg123_length(decoder);
        }
        mpg123_close(decoder);
        mpg123_delete(decoder);
    }
    mpg123_exit();
    if (!readable || length <= 0 || rate <= 0) {
        std::fprintf(stderr, "Cannot read the music track \"%s\" to measure its length.\n", path);
        return 0;
    }
    const TrackLength measured = {(int64_t)length, (int32_t)rate, false};
    *duration = track_duration_seconds(measured);
    warn_if_cut_short(path, (double)length / (double)rate, *duration);
    return 1;
}
