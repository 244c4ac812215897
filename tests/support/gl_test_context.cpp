#include "tests/support/gl_test_context.h"

#include "app/startup.h"
#include "render/gl_setup.h"
#include "render/primitives.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>

// The program's own offline window: 1920x1080, offscreen without a display.
static AppWindow test_app;

void begin_gl_test_frame(DrawBackend backend) {
    use_draw_backend(backend);
    if (test_app.window == nullptr) {
        if (std::getenv("SDL_AUDIODRIVER") == nullptr) SDL_SetHint(SDL_HINT_AUDIODRIVER, "dummy");
        if (!start_window(test_app, true, WindowRequest{false, 0})) std::abort();
    }
    flush_drawing();
    apply_gl_state();
    clear_frame_to_black();
    set_colour(white_colour);
}

Frame::Frame() : rgb_((size_t)screen_width * screen_height * 3) {
    std::vector<uint8_t> bottom_up(rgb_.size());
    flush_drawing();
    if (draw_backend() == DrawBackend::raster) {
        std::copy(raster_frame_pixels(), raster_frame_pixels() + bottom_up.size(), bottom_up.begin());
    } else {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glFinish();
        glReadPixels(0, 0, screen_width, screen_height, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    }
    const size_t row = (size_t)screen_width * 3;
    for (int y = 0; y < screen_height; ++y) {
        std::copy(bottom_up.begin() + (size_t)(screen_height - 1 - y) * row,
                  bottom_up.begin() + (size_t)(screen_height - y) * row, rgb_.begin() + (size_t)y * row);
    }
}

Rgb Frame::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= screen_width || y >= screen_height) return black_rgb;
    const uint8_t* p = &rgb_[((size_t)y * screen_width + x) * 3];
    return Rgb{p[0], p[1], p[2]};
}

int Frame::count(Rgb colour, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (at(x, y) == colour) ++n;
    return n;
}

bool Frame::lit_bounds(int* x0, int* y0, int* x1, int* y1) const {
    bool any = false;
    *x0 = screen_width;
    *y0 = screen_height;
    *x1 = -1;
    *y1 = -1;
    for (int y = 0; y < screen_height; ++y) {
        for (int x = 0; x < screen_width; ++x) {
            if (at(x, y) == black_rgb) continue;
            any = true;
            if (x < *x0) *x0 = x;
            if (y < *y0) *y0 = y;
            if (x > *x1) *x1 = x;
            if (y > *y1) *y1 = y;
        }
    }
    return any;
}
