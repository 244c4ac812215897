// The start seek: its stepping, loader redraws and quit rule with recording
// stand-ins, and the loader picture. (The graph state a real seek leaves is
// pinned by the reference run that starts part-way.)
#include "timeline/start_seek.h"

#include "tests/support/gl_test_context.h"
#include "timeline/timeline.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

struct Step { double t; float dt; };
std::vector<Step> steps;
struct Draw { double done, total; };
std::vector<Draw> draws;
int quit_after_steps = -1;
SDL_Event quit_event;

void record_step(double t, float dt) {
    steps.push_back({t, dt});
    if ((int)steps.size() == quit_after_steps) SDL_PushEvent(&quit_event);
}
void record_draw(SDL_Window*, double done, double total) { draws.push_back({done, total}); }
// Wall-clock seconds of the stand-in clock: each step takes seconds_per_step.
double seconds_per_step = 0.004;
double step_clock() { return (double)steps.size() * seconds_per_step; }

class SeekSteps : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError(); }
    void TearDown() override { SDL_Quit(); }
    int seek(double start) {
        steps.clear();
        draws.clear();
        testing::internal::CaptureStderr();
        int status = run_start_seek_with(nullptr, start, record_step, record_draw, step_clock);
        message = testing::internal::GetCapturedStderr();
        return status;
    }
    std::string message;
};

SDL_Event key_down(SDL_Keycode key, int repeat) {
    SDL_Event event;
    SDL_memset(&event, 0, sizeof event);
    event.type = SDL_KEYDOWN;
    event.key.repeat = (Uint8)repeat;
    event.key.keysym.sym = key;
    return event;
}

// Steps tile [0, target) in 1/60 s, the last one shorter; the loader may be
// redrawn at 0, after steps 1, 9, 17, ... and full at the end; a long start
// stops simulating where the graph freezes.
TEST_F(SeekSteps, StepsTileTheSkippedSpanWithEveryEighthRedrawn) {
    struct Case { double start, target; size_t steps, draws; const char* shown; };
    // 4 ms per step: every candidate but the one right after the first
    // picture is a refresh later and shown.
    for (Case c : {Case{0.01, 0.01, 1, 2, "0.01"}, Case{10.0, 10.0, 600, 76, "10.00"},
                   Case{300.0, circle_phase_start, 9875, 1236, "300.00"}}) {
        EXPECT_EQ(seek(c.start), 1);
        EXPECT_EQ(message, std::string("Preparing ") + c.shown +
                               " seconds of skipped timeline; this may take a moment.\n");
        ASSERT_EQ(steps.size(), c.steps);
        EXPECT_EQ(steps[0].t, 0.0);
        for (size_t i = 0; i + 1 < steps.size(); ++i) {
            double t_next = steps[i].t + seek_step_seconds;
            ASSERT_EQ(steps[i + 1].t, t_next) << "step " << i;
            ASSERT_EQ(steps[i].dt, (float)(t_next - steps[i].t)) << "step " << i;
        }
        EXPECT_LT(steps.back().t, c.target);
        EXPECT_GE(steps.back().t + seek_step_seconds, c.target);
        EXPECT_EQ(steps.back().dt, (float)(c.target - steps.back().t));
        ASSERT_EQ(draws.size(), c.draws);
        EXPECT_EQ(draws[0].done, 0.0);
        if (c.steps > 8) { EXPECT_EQ(draws[1].done, steps[8].t + seek_step_seconds); }
        EXPECT_EQ(draws.back().done, c.target);
        for (const Draw& d : draws) ASSERT_EQ(d.total, c.target);
    }
}

// A fast seek presents the loader at most once per 1/60 s of wall-clock
// time, showing the same progress values, the first and the full bar.
TEST_F(SeekSteps, LoaderPresentedAtMostOncePerRefresh) {
    seconds_per_step = 0.0005;  // 8 steps between candidates: 4 ms
    EXPECT_EQ(seek(300.0), 1);
    seconds_per_step = 0.004;
    ASSERT_EQ(steps.size(), 9875u);
    ASSERT_GE(draws.size(), 3u);
    EXPECT_LE(draws.size(), 2 + (size_t)(9875 * 0.0005 * 60.0) + 1);
    EXPECT_EQ(draws.front().done, 0.0);
    EXPECT_EQ(draws.back().done, circle_phase_start);
    for (size_t k = 1; k + 1 < draws.size(); ++k) {
        // A shown value lies on the 0.12 s grid of candidates: done = t of step 8m + 1.
        size_t step = (size_t)std::llround(draws[k].done / seek_step_seconds) - 1;
        ASSERT_EQ(step % 8, 0u) << draws[k].done;
        if (k > 1) { ASSERT_GE(draws[k].done - draws[k - 1].done, 0.12 * 4 - 1e-9); }  // >= 5 candidates apart
    }
}

TEST_F(SeekSteps, EscapeOrQuitEndsWithinOneStep) {
    SDL_Event quit;
    SDL_memset(&quit, 0, sizeof quit);
    quit.type = SDL_QUIT;
    // The last case quits during the very last step: the final drain still quits.
    struct Case { SDL_Event event; int after; double start; };
    for (Case c : {Case{key_down(SDLK_ESCAPE, 0), 50, 160.0}, Case{quit, 7, 160.0},
                   Case{key_down(SDLK_ESCAPE, 0), 1, 0.01}}) {
        quit_event = c.event;
        quit_after_steps = c.after;
        EXPECT_EQ(seek(c.start), 0);
        EXPECT_EQ(steps.size(), (size_t)c.after);
    }
    // A held Escape and other keys are dropped, and the queue is drained.
    quit_after_steps = -1;
    SDL_Event held = key_down(SDLK_ESCAPE, 1);
    SDL_Event other = key_down(SDLK_SPACE, 0);
    SDL_PushEvent(&held);
    SDL_PushEvent(&other);
    EXPECT_EQ(seek(1.0), 1);
    EXPECT_EQ(steps.size(), 60u);
    EXPECT_EQ(SDL_PollEvent(nullptr), 0);
}

// Captions from row 508, 19 characters from x = 793; the track 520 x 2 at
// (700, 566); the bar 4 high at y 578 from x = 700: half, clamped at both
// ends, and full when there is nothing to do.
TEST(StartLoader, CaptionsTrackAndClampedProgressBar) {
    begin_gl_test_frame();
    struct Case { double done, total; int width; };
    for (Case c : {Case{5.0, 10.0, 260}, Case{20.0, 10.0, 520}, Case{0.0, 0.0, 520}, Case{-1.0, 10.0, 0}}) {
        SCOPED_TRACE(testing::Message() << c.done << " of " << c.total);
        draw_start_loader_picture(c.done, c.total);
        Frame frame;
        int x0, y0, x1, y1;
        ASSERT_TRUE(frame.lit_bounds(&x0, &y0, &x1, &y1));
        EXPECT_EQ(y0, 508);
        EXPECT_EQ(y1, c.width ? 581 : 567);
        EXPECT_GT(frame.count(white_rgb, 793, 508, 1127, 522), 0);
        EXPECT_EQ(frame.count(white_rgb, 0, 508, 793, 522), 0);
        EXPECT_EQ(frame.count(white_rgb, 0, 566, 1920, 568), 520 * 2);
        EXPECT_EQ(frame.count(white_rgb, 700, 566, 1220, 568), 520 * 2);
        EXPECT_EQ(frame.count(white_rgb, 0, 568, 1920, 1080), c.width * 4);
        EXPECT_EQ(frame.count(white_rgb, 700, 578, 700 + c.width, 582), c.width * 4);
    }
}

}  // namespace
