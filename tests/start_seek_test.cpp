// The start seek: its stepping, loader redraws and quit rule with recording
// stand-ins, the graph state it leaves behind with the real simulation, and
// the loader picture.
#include "timeline/start_seek.h"

#include "graph/graph_state.h"
#include "graph/simulation.h"
#include "tests/support/gl_test_context.h"
#include "timeline/timeline.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Step {
    double t;
    float dt;
};
struct Draw {
    double done;
    double total;
};

std::vector<Step> steps;
std::vector<Draw> draws;
int quit_after_steps = -1;
SDL_Event quit_event;

void record_step(double t, float dt) {
    steps.push_back({t, dt});
    if ((int)steps.size() == quit_after_steps) SDL_PushEvent(&quit_event);
}
void record_draw(SDL_Window*, double done, double total) { draws.push_back({done, total}); }

class SeekSteps : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
        steps.clear();
        draws.clear();
        quit_after_steps = -1;
    }
    void TearDown() override { SDL_Quit(); }
    int seek(double start) {
        testing::internal::CaptureStderr();
        int status = run_start_seek_with(nullptr, start, record_step, record_draw);
        message = testing::internal::GetCapturedStderr();
        return status;
    }
    std::string message;
};

SDL_Event key_down(SDL_Keycode key, int repeat) {
    SDL_Event event;
    SDL_memset(&event, 0, sizeof event);
    event.type = SDL_KEYDOWN;
    event.key.state = SDL_PRESSED;
    event.key.repeat = (Uint8)repeat;
    event.key.keysym.sym = key;
    return event;
}

// Steps must tile [0, target) without gaps, each 1/60 s but the last.
void expect_contiguous_steps(double target) {
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps[0].t, 0.0);
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        double t_next = steps[i].t + seek_step_seconds;
        ASSERT_EQ(steps[i + 1].t, t_next) << "step " << i;
        ASSERT_EQ(steps[i].dt, (float)(t_next - steps[i].t)) << "step " << i;
    }
    EXPECT_LT(steps.back().t, target);
    EXPECT_GE(steps.back().t + seek_step_seconds, target);
    EXPECT_EQ(steps.back().dt, (float)(target - steps.back().t));
}

}  // namespace

// Redraws after steps 1, 9, 17, ... plus the first and the full bar; a long
// start stops simulating where the graph freezes.
TEST_F(SeekSteps, StepsTileTheSkippedSpanWithEveryEighthRedrawn) {
    struct Case { double start, target; size_t steps, draws; const char* shown; };
    for (Case c : {Case{0.01, 0.01, 1, 3, "0.01"}, Case{10.0, 10.0, 600, 77, "10.00"},
                   Case{300.0, circle_phase_start, 9875, 1237, "300.00"}}) {
        steps.clear();
        draws.clear();
        EXPECT_EQ(seek(c.start), 1);
        EXPECT_EQ(message, std::string("Preparing ") + c.shown +
                               " seconds of skipped timeline; this may take a moment.\n");
        expect_contiguous_steps(c.target);
        EXPECT_EQ(steps.size(), c.steps);
        ASSERT_EQ(draws.size(), c.draws);
        EXPECT_EQ(draws[0].done, 0.0);
        EXPECT_EQ(draws[1].done, std::min(c.target, seek_step_seconds));
        if (c.steps > 8) {
            EXPECT_EQ(draws[2].done, steps[8].t + seek_step_seconds);
        }
        EXPECT_EQ(draws.back().done, c.target);
        for (const Draw& d : draws) ASSERT_EQ(d.total, c.target);
    }
}

TEST_F(SeekSteps, EscapeOrQuitEndsWithinOneStep) {
    quit_event = key_down(SDLK_ESCAPE, 0);
    quit_after_steps = 50;
    EXPECT_EQ(seek(160.0), 0);
    EXPECT_EQ(steps.size(), 50u);

    steps.clear();
    SDL_memset(&quit_event, 0, sizeof quit_event);
    quit_event.type = SDL_QUIT;
    quit_after_steps = 7;
    EXPECT_EQ(seek(160.0), 0);
    EXPECT_EQ(steps.size(), 7u);

    // Pressed during the very last step: the final drain still quits.
    steps.clear();
    quit_event = key_down(SDLK_ESCAPE, 0);
    quit_after_steps = 1;
    EXPECT_EQ(seek(0.01), 0);

    // A held Escape and other keys are dropped, and the queue is drained.
    steps.clear();
    quit_after_steps = -1;
    SDL_Event held = key_down(SDLK_ESCAPE, 1);
    SDL_Event other = key_down(SDLK_SPACE, 0);
    SDL_PushEvent(&held);
    SDL_PushEvent(&other);
    EXPECT_EQ(seek(1.0), 1);
    EXPECT_EQ(steps.size(), 60u);
    EXPECT_EQ(SDL_PollEvent(nullptr), 0);
}

namespace {

// Everything the simulation writes, as bytes.
std::vector<unsigned char> graph_bytes() {
    std::vector<unsigned char> out;
    auto add = [&out](const void* p, size_t n) {
        out.insert(out.end(), (const unsigned char*)p, (const unsigned char*)p + n);
    };
    add(nodes, sizeof nodes);
    add(connection_enabled, sizeof connection_enabled);
    add(connection_highlight, sizeof connection_highlight);
    add(connection_progress, sizeof connection_progress);
    add(node_alive, sizeof node_alive);
    add(node_highlight, sizeof node_highlight);
    add(node_death_time, sizeof node_death_time);
    add(ghost_size, sizeof ghost_size);
    add(ghost_remaining, sizeof ghost_remaining);
    for (const RedParticle& p : red_particles) {
        add(&p, offsetof(RedParticle, active));  // the floats, not the padding
        add(&p.active, 1);
    }
    add(&survivor_alone_since, 8);
    add(&last_group_bleed_beat, 8);
    add(&last_bleed_beat, 8);
    for (const int32_t* v : {&blue_survivor, &blue_transition_baked, &survivor_dance_initialized,
                             &births_since_death, &last_lifecycle_count, &scheduled_colors_created,
                             &next_group_bleeder, &next_red_particle}) {
        add(v, 4);
    }
    for (const float* v : {&survivor_dance_omega, &survivor_dance_radius, &survivor_dance_angle,
                           &blue_cull_accumulator, &controls[control_am].value}) {
        add(v, 4);
    }
    add(&rng_state, 8);
    return out;
}

// As at program start: the start-up layout leaves the growth values, the
// scheduled-colour count, the dance parameters and the controls alone, so
// they are put back to their starting values first.
Control initial_controls[control_count];
bool initial_controls_saved = false;

void start_layout() {
    if (!initial_controls_saved) std::memcpy(initial_controls, controls, sizeof controls);
    initial_controls_saved = true;
    std::memcpy(controls, initial_controls, sizeof controls);
    std::memset(connection_progress, 0, sizeof connection_progress);
    scheduled_colors_created = 0;
    survivor_dance_omega = 0.0f;
    survivor_dance_radius = 0.0f;
    survivor_dance_angle = 0.0f;
    layout_seed = 4242;
    build_startup_layout();
}

void no_draw(SDL_Window*, double, double) {}

// The same steps written out by hand: 1/60 s from 0, the last one shorter.
void step_by_hand(double target) {
    double t = 0.0;
    while (t < target) {
        double t_next = t + 0.016666666666666666;
        if (t_next > target) t_next = target;
        run_simulation_step(t, (float)(t_next - t));
        t = t_next;
    }
}

}  // namespace

TEST(SeekGraphState, MatchesExactlyTheseStepsAndFreezesAtBar96) {
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0);
    testing::internal::CaptureStderr();
    for (double target : {70.005, 200.0}) {
        start_layout();
        step_by_hand(target < circle_phase_start ? target : circle_phase_start);
        std::vector<unsigned char> by_hand = graph_bytes();

        start_layout();
        ASSERT_EQ(run_start_seek_with(nullptr, target, run_simulation_step, no_draw), 1);
        EXPECT_TRUE(graph_bytes() == by_hand) << "start " << target;
    }
    testing::internal::GetCapturedStderr();
    SDL_Quit();
}

TEST(StartLoader, CaptionsTrackAndProgressBar) {
    begin_gl_test_frame();
    draw_start_loader_picture(5.0, 10.0);
    Frame half;
    // The captions: 19 characters from x = 793, rows 508..521.
    int x0, y0, x1, y1;
    ASSERT_TRUE(half.lit_bounds(&x0, &y0, &x1, &y1));
    EXPECT_EQ(y0, 508);
    EXPECT_EQ(y1, 581);
    EXPECT_EQ(half.count(black_rgb, 0, 0, 1920, 508), 1920 * 508);
    EXPECT_GT(half.count(white_rgb, 793, 508, 1127, 522), 0);
    EXPECT_EQ(half.count(white_rgb, 0, 508, 793, 522), 0);
    // Track: 520 x 2 at (700, 566); bar: half of it, 4 high at y 578.
    EXPECT_EQ(half.count(white_rgb, 0, 566, 1920, 568), 520 * 2);
    EXPECT_EQ(half.count(white_rgb, 700, 566, 1220, 568), 520 * 2);
    EXPECT_EQ(half.count(white_rgb, 0, 578, 1920, 582), 260 * 4);
    EXPECT_EQ(half.count(white_rgb, 700, 578, 960, 582), 260 * 4);

    // Clamped at both ends, and full when there is nothing to do.
    draw_start_loader_picture(20.0, 10.0);
    EXPECT_EQ(Frame().count(white_rgb, 0, 578, 1920, 582), 520 * 4);
    draw_start_loader_picture(0.0, 0.0);
    EXPECT_EQ(Frame().count(white_rgb, 0, 578, 1920, 582), 520 * 4);
    draw_start_loader_picture(-1.0, 10.0);
    Frame empty;
    EXPECT_EQ(empty.count(white_rgb, 0, 568, 1920, 1080), 0);
    EXPECT_EQ(empty.count(white_rgb, 700, 566, 1220, 568), 520 * 2);
}

TEST(StartLoader, RealSeekDrawsAndReturns) {
    begin_gl_test_frame();
    start_layout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_start_seek(SDL_GL_GetCurrentWindow(), 1.0), 1);
    testing::internal::GetCapturedStderr();
    draw_start_loader_picture(1.0, 1.0);
    Frame().save_png(OSTREL_BINARY_DIR "/start_loader_full.png");
}
