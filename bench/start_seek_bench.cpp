// Cost of the longest start seek ("--start 164.57142857142856": 9875 steps,
// 1235 loader redraws in the loop plus the first and the last), split into
// its two parts: the simulation steps alone, and the loader frames alone
// (drawing and buffer swap on a real 1920x1080 GL window), and both together.
#include "render/primitives.h"
#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "render/gl_setup.h"
#include "timeline/start_seek.h"
#include "timeline/timeline.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

SDL_Window* window = nullptr;

SDL_Window* open_window() {
    if (window != nullptr) return window;
    if (std::getenv("SDL_VIDEODRIVER") == nullptr && std::getenv("DISPLAY") == nullptr) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return nullptr;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    window = SDL_CreateWindow("ostrel-bench", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, screen_width,
                              screen_height, SDL_WINDOW_FULLSCREEN | SDL_WINDOW_OPENGL);
    if (window == nullptr || SDL_GL_CreateContext(window) == nullptr) return nullptr;
    SDL_GL_SetSwapInterval(0);
    apply_gl_state();
    return window;
}

void start_piece() {
    layout_seed = 4242;
    build_startup_layout();
}

int steps = 0;
int draws = 0;
void count_step(double t, float dt) {
    ++steps;
    run_simulation_step(t, dt);
}
void skip_draw(SDL_Window*, double, double) { ++draws; }
void no_step(double, float) { ++steps; }
void count_draw(SDL_Window* w, double done, double total) {
    ++draws;
    draw_start_loader(w, done, total);
}

double bench_clock() {
    return (double)SDL_GetPerformanceCounter() / (double)SDL_GetPerformanceFrequency();
}

void run_seek(benchmark::State& state, SeekStep step, LoaderDraw draw) {
    SDL_Window* w = open_window();
    if (w == nullptr) {
        state.SkipWithError("no GL window");
        return;
    }
    std::FILE* quiet = std::freopen("/dev/null", "w", stderr);
    (void)quiet;
    for (auto _ : state) {
        state.PauseTiming();
        start_piece();
        steps = 0;
        draws = 0;
        state.ResumeTiming();
        run_start_seek_with(w, circle_phase_start, step, draw, bench_clock);
        flush_drawing();
    glFinish();
    }
    state.counters["steps"] = steps;
    state.counters["loader_frames"] = draws;
}

void BM_SeekSimulationOnly(benchmark::State& state) { run_seek(state, count_step, skip_draw); }
void BM_SeekLoaderOnly(benchmark::State& state) { run_seek(state, no_step, count_draw); }
void BM_SeekWhole(benchmark::State& state) { run_seek(state, count_step, count_draw); }

}  // namespace

BENCHMARK(BM_SeekSimulationOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SeekLoaderOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SeekWhole)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
