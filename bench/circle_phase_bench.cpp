// Cost of the tree scene: building a layout from scratch, and one frame's
// CPU work with the layout already kept (schedule, parameters, animation).
// The last case issues the whole frame's GL calls into an offscreen context.
#include "render/primitives.h"
#include "graph/graph_state.h"
#include "render/gl_setup.h"
#include "scene/circle_phase.h"
#include "scene/circle_schedule.h"
#include "scene/scene_hash.h"
#include "scene/tree_animation.h"
#include "scene/tree_layout.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

static TreeNode bench_nodes[tree_capacity];
static TreeFrame bench_frame;
static TreeAnimation bench_animation;

static void BM_build_centre_layout_uncached(benchmark::State& state) {
    uint64_t seed = 7;
    for (auto _ : state) {
        int count = build_tree_layout(centre_tree_layout, mix_hash(seed + 0x2c9277b5ull), 560, bench_nodes);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_build_centre_layout_uncached)->Unit(benchmark::kMillisecond);

static void BM_build_corner_layout_uncached(benchmark::State& state) {
    for (auto _ : state) {
        int count = build_tree_layout(corner_tree_layout, mix_hash(7 + 0x5924ef6aull), 560, bench_nodes);
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(BM_build_corner_layout_uncached)->Unit(benchmark::kMillisecond);

// Parameters + cached layout + animation of all 560 nodes, the CPU work
// that feeds the drawing passes, at a fresh time every iteration.
static void BM_prepare_and_animate_cached_frame(benchmark::State& state) {
    double t = 164.57142857142856 + 5.0;
    for (auto _ : state) {
        prepare_tree_frame(t, 7, &bench_frame);
        animate_tree(bench_frame, &bench_animation);
        benchmark::DoNotOptimize(bench_animation.draw_x[bench_frame.count - 1]);
        t += 1.0 / 60.0;
        if (t > 164.57142857142856 + 13.0) t = 164.57142857142856 + 5.0;
    }
}
BENCHMARK(BM_prepare_and_animate_cached_frame)->Unit(benchmark::kMicrosecond);

// The whole draw_circle_phase call into an offscreen GL context (software
// renderer); glFinish is not called, so rasterisation is only partly counted.
static void BM_draw_circle_phase_gl(benchmark::State& state) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        state.SkipWithError("no video");
        return;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, screen_width, screen_height, SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        state.SkipWithError("no GL context");
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();
        return;
    }
    apply_gl_state();
    layout_seed = 7;
    double t = 164.57142857142856 + 5.0;
    for (auto _ : state) {
        draw_circle_phase(t);
        t += 1.0 / 60.0;
        if (t > 164.57142857142856 + 13.0) t = 164.57142857142856 + 5.0;
    }
    flush_drawing();
    glFinish();
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
}
BENCHMARK(BM_draw_circle_phase_gl)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
