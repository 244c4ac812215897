// Offline output speed: each stage of a frame (drawing, read-back, palette
// mapping, PNG encoding, the pipe write into the encoder) and whole offline
// loops over a stretch of the graph scene and of the tree scene: PNG export
// alone (plain single-threaded, and with encoding on worker threads),
// recording alone, and both. Run from the repository root (the encoder
// reads the track from src/). Results depend on the machine's load.
#include "render/primitives.h"
#include "app/launch_options.h"
#include "app/startup.h"
#include "graph/graph_drawing.h"
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "output/encode_workers.h"
#include "output/exporter.h"
#include "output/offline_output.h"
#include "output/progress.h"
#include "output/recorder.h"
#include "scene/circle_phase.h"
#include "timeline/timeline.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

const char* const bench_dir = "/tmp/ostrel-output-bench";
const float frame_step = (float)(1.0 / 60.0);
const int loop_frames = 240;

AppWindow app;
bool window_ready = false;
double graph_t = 0.0;  // the graph simulation runs on across benchmarks
double tree_t = 180.0;

// Opens the window and simulates the graph up to song time 100 s.
void ensure_window() {
    if (window_ready) return;
    if (!start_window(app, true, WindowRequest{false, 0})) std::abort();
    layout_seed = 42;
    build_startup_layout();
    for (; graph_t < 100.0; graph_t += 1.0 / 60.0) run_simulation_step(graph_t, frame_step);
    mkdir(bench_dir, 0755);
    window_ready = true;
}

// One frame of the scene, drawn the way the frame loop draws it.
void draw_scene_frame(bool tree) {
    flush_drawing();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (tree) {
        draw_circle_phase(tree_t);
        tree_t += 1.0 / 60.0;
        if (tree_t > 228.0) tree_t = 180.0;
    } else {
        run_simulation_step(graph_t, frame_step);
        draw_graph_scene(graph_t);
        graph_t += 1.0 / 60.0;
    }
}

void read_back(unsigned char* rgb) {
    flush_drawing();
    glReadPixels(0, 0, 1920, 1080, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

void BM_Draw(benchmark::State& state) {
    ensure_window();
    for (auto _ : state) {
        draw_scene_frame(state.range(0) == 1);
        flush_drawing();
        glFinish();
        SDL_GL_SwapWindow(app.window);
    }
}
BENCHMARK(BM_Draw)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadBack(benchmark::State& state) {
    ensure_window();
    static unsigned char rgb[1920 * 1080 * 3];
    draw_scene_frame(true);
    flush_drawing();
    glFinish();
    for (auto _ : state) read_back(rgb);
}
BENCHMARK(BM_ReadBack)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MapPalette(benchmark::State& state) {
    ensure_window();
    static Exporter exporter;
    setup_exporter(exporter, bench_dir);
    draw_scene_frame(state.range(0) == 1);
    read_back(exporter.rgb);
    for (auto _ : state) map_frame_to_palette(exporter.rgb, exporter.lookup, exporter.indexed, indexed_frame_bytes);
    free_exporter(exporter);
}
BENCHMARK(BM_MapPalette)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodePng(benchmark::State& state) {
    ensure_window();
    static Exporter exporter;
    setup_exporter(exporter, bench_dir);
    draw_scene_frame(state.range(0) == 1);
    read_back(exporter.rgb);
    map_frame_to_palette(exporter.rgb, exporter.lookup, exporter.indexed, indexed_frame_bytes);
    char path[1100];
    format_frame_path(path, sizeof path, bench_dir, 1);
    for (auto _ : state) {
        if (!exporter_write_png(exporter, path)) state.SkipWithError("write failed");
    }
    struct stat info;
    if (stat(path, &info) == 0) state.counters["bytes"] = (double)info.st_size;
    free_exporter(exporter);
}
BENCHMARK(BM_EncodePng)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One frame into the real encoder; includes waiting while it catches up.
void BM_PipeWrite(benchmark::State& state) {
    ensure_window();
    static Recorder recorder;
    char file[200];
    std::snprintf(file, sizeof file, "%s/pipe.mkv", bench_dir);
    if (!start_recorder(recorder, file, music_track_path, AudioPlacement{2.0, 0.0, 1000.0})) {
        state.SkipWithError("no encoder");
        return;
    }
    draw_scene_frame(true);
    read_back(recorder.frame);
    for (auto _ : state) {
        if (!recorder_write_frame(recorder, recorder.frame)) state.SkipWithError("short write");
    }
    finish_recorder(recorder);
    discard_recording(recorder);
}
BENCHMARK(BM_PipeWrite)->Unit(benchmark::kMillisecond)->UseRealTime();

// The plain loop: draw, read back, map, encode and write, one after the other.
void BM_ExportPlainLoop(benchmark::State& state) {
    ensure_window();
    static Exporter exporter;
    char dir[200];
    std::snprintf(dir, sizeof dir, "%s/plain", bench_dir);
    mkdir(dir, 0755);
    setup_exporter(exporter, dir);
    char path[1100];
    tree_t = 180.0;  // every loop draws the same stretch of the tree scene
    for (auto _ : state) {
        for (int i = 0; i < loop_frames; i++) {
            draw_scene_frame(state.range(0) == 1);
            read_back(exporter.rgb);
            map_frame_to_palette(exporter.rgb, exporter.lookup, exporter.indexed, indexed_frame_bytes);
            format_frame_path(path, sizeof path, dir, i + 1);
            if (!exporter_write_png(exporter, path)) state.SkipWithError("write failed");
            SDL_GL_SwapWindow(app.window);
        }
    }
    state.counters["fps"] = benchmark::Counter((double)loop_frames, benchmark::Counter::kIsIterationInvariantRate);
    free_exporter(exporter);
}
BENCHMARK(BM_ExportPlainLoop)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The plain loop against the program's export with encoding workers, in
// alternating chunks of the same stretch so that bursts of load from other
// processes hit both alike. Reports both rates and their ratio.
void BM_ExportPlainVersusWorkers(benchmark::State& state) {
    ensure_window();
    const bool tree = state.range(0) == 1;
    const int chunk = 60, rounds = 6;
    static Exporter plain;
    static OfflineOutput out;
    char plain_dir[200], worker_dir[200], path[1100];
    std::snprintf(plain_dir, sizeof plain_dir, "%s/plain", bench_dir);
    std::snprintf(worker_dir, sizeof worker_dir, "%s/workers", bench_dir);
    mkdir(plain_dir, 0755);
    setup_exporter(plain, plain_dir);
    RenderRequest options = {};
    options.export_dir = worker_dir;
    if (!setup_offline_output(out, options)) {
        state.SkipWithError("set-up failed");
        return;
    }
    double plain_seconds = 0.0, worker_seconds = 0.0;
    for (auto _ : state) {
        for (int round = 0; round < rounds; round++) {
            double start_t = tree ? 180.0 + round : graph_t;
            tree_t = start_t;
            double t0 = monotonic_seconds();
            for (int i = 0; i < chunk; i++) {
                draw_scene_frame(tree);
                read_back(plain.rgb);
                map_frame_to_palette(plain.rgb, plain.lookup, plain.indexed, indexed_frame_bytes);
                format_frame_path(path, sizeof path, plain_dir, i + 1);
                exporter_write_png(plain, path);
                SDL_GL_SwapWindow(app.window);
            }
            double t1 = monotonic_seconds();
            tree_t = start_t;
            for (int i = 0; i < chunk; i++) {
                draw_scene_frame(tree);
                write_offline_frame(out);
                SDL_GL_SwapWindow(app.window);
            }
            wait_for_encodes();
            double t2 = monotonic_seconds();
            plain_seconds += t1 - t0;
            worker_seconds += t2 - t1;
        }
    }
    finish_offline_output(out);
    free_exporter(plain);
    double frames = (double)chunk * rounds;
    state.counters["plain_fps"] = frames / plain_seconds;
    state.counters["worker_fps"] = frames / worker_seconds;
    state.counters["speedup"] = plain_seconds / worker_seconds;
}
BENCHMARK(BM_ExportPlainVersusWorkers)->ArgName("tree")->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

// The program's own offline output: mode 1 export, 2 record, 3 both.
void BM_OfflineLoop(benchmark::State& state) {
    ensure_window();
    static OfflineOutput out;
    char dir[200];
    char file[200];
    std::snprintf(dir, sizeof dir, "%s/pipelined", bench_dir);
    std::snprintf(file, sizeof file, "%s/loop.mkv", bench_dir);
    RenderRequest options = {};
    options.record_path = (state.range(1) & 2) != 0 ? file : nullptr;
    options.export_dir = (state.range(1) & 1) != 0 ? dir : nullptr;
    tree_t = 180.0;
    for (auto _ : state) {
        if (!setup_offline_output(out, options)) {
            state.SkipWithError("set-up failed");
            return;
        }
        for (int i = 0; i < loop_frames; i++) {
            draw_scene_frame(state.range(0) == 1);
            write_offline_frame(out);
            SDL_GL_SwapWindow(app.window);
        }
        // Counted: closing waits for the encoder and the last PNG files.
        if (finish_offline_output(out) != 0) state.SkipWithError("output failed");
    }
    state.counters["fps"] = benchmark::Counter((double)loop_frames, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_OfflineLoop)
    ->ArgNames({"tree", "mode"})
    ->ArgsProduct({{0, 1}, {1, 2, 3}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
