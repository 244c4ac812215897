#include "tests/support/gl_test_context.h"

#include "render/gl_setup.h"
#include "render/primitives.h"

#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <png.h>

static SDL_Window* test_window = nullptr;
static SDL_GLContext test_context = nullptr;

void begin_gl_test_frame(DrawBackend backend) {
    use_draw_backend(backend);
    if (test_window == nullptr) {
        if (std::getenv("SDL_VIDEODRIVER") == nullptr && std::getenv("DISPLAY") == nullptr) {
            SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        }
        if (SDL_Init(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "SDL_Init: %s\n", SDL_GetError());
            std::abort();
        }
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
        SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);
        test_window = SDL_CreateWindow("ostrel-test", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                       screen_width, screen_height,
                                       SDL_WINDOW_FULLSCREEN | SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI);
        if (test_window == nullptr) {
            std::fprintf(stderr, "SDL_CreateWindow: %s\n", SDL_GetError());
            std::abort();
        }
        test_context = SDL_GL_CreateContext(test_window);
        if (test_context == nullptr) {
            std::fprintf(stderr, "SDL_GL_CreateContext: %s\n", SDL_GetError());
            std::abort();
        }
        SDL_GL_SetSwapInterval(0);
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

void Frame::save_png(const char* path) const {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, screen_width, screen_height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < screen_height; ++y) {
        png_write_row(png, (png_const_bytep)&rgb_[(size_t)y * screen_width * 3]);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
}
