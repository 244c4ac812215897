#include "app/startup.h"

#include "graph/graph_state.h"
#include "render/gl_setup.h"
#include "render/present.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#ifdef OSTREL_SANITIZE_BUILD
#include <dlfcn.h>

// Sanitizer builds only: SDL unloads the system GL libraries at shutdown,
// before the leak check runs, so what they leave behind would be reported
// without names. Keeping them loaded lets the suppression list name them.
static void keep_gl_libraries_loaded() {
    const char* libraries[] = {"libGL.so.1",  "libGLX.so.0",      "libGLX_mesa.so.0", "libGLdispatch.so.0",
                               "libEGL.so.1", "libEGL_mesa.so.0", "libgbm.so.1",
                               "libglapi.so.0", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"};
    for (const char* library : libraries) dlopen(library, RTLD_NOW | RTLD_NODELETE);
}
#endif

static bool display_available() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

static SDL_Cursor* create_blank_cursor() {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 1, 1, 32, SDL_PIXELFORMAT_ABGR8888);
    if (surface == nullptr) return nullptr;
    SDL_FillRect(surface, nullptr, SDL_MapRGBA(surface->format, 0, 0, 0, 0));
    SDL_Cursor* cursor = SDL_CreateColorCursor(surface, 0, 0);
    SDL_FreeSurface(surface);
    if (cursor != nullptr) SDL_SetCursor(cursor);
    return cursor;
}

// Starts SDL with video. Returns 0, with the reason on standard error, when
// there is no display to show the piece on, or no such display.
static int start_video(bool offline, WindowRequest request) {
    // A render server has no display: draw offscreen through EGL instead,
    // with the same software rasteriser and so the same pixels. An explicit
    // SDL_VIDEODRIVER choice of the user wins.
    if (offline && !display_available() && std::getenv("SDL_VIDEODRIVER") == nullptr) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    }
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_AUDIO | SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL init failed: %s\n", SDL_GetError());
        return 0;
    }
    // Without a display SDL falls back to a driver that shows nothing: the
    // piece would play unseen. Unless the user chose that driver, say so.
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!offline && std::getenv("SDL_VIDEODRIVER") == nullptr && driver != nullptr &&
        (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0)) {
        std::fputs("No display to show the piece on. To render it without one, use --record FILE or "
                   "--export-png-frames DIR.\n", stderr);
        SDL_Quit();
        return 0;
    }
    if (!offline && request.display >= SDL_GetNumVideoDisplays()) {
        std::fprintf(stderr, "There is no display %d: this machine has %d, numbered from 0.\n", request.display,
                     SDL_GetNumVideoDisplays());
        SDL_Quit();
        return 0;
    }
    return 1;
}

// The window: offline exactly the 1920x1080 picture (read-backs need it),
// windowed at its default size, otherwise full screen in the desktop's own
// mode, made at that size so that no first frame is drawn at another.
static SDL_Window* create_piece_window(bool offline, bool windowed, int display) {
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    int width = screen_width, height = screen_height;
    if (offline) {
        flags |= SDL_WINDOW_FULLSCREEN;
    } else if (windowed) {
        flags |= SDL_WINDOW_RESIZABLE;
        width = window_default_width;
        height = window_default_height;
    } else {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(display, &desktop) == 0) {
            width = desktop.w;
            height = desktop.h;
        }
    }
    const int position = SDL_WINDOWPOS_CENTERED_DISPLAY(offline ? 0 : display);
    return SDL_CreateWindow("ostrel", position, position, width, height, flags);
}

int start_window(AppWindow& app, bool offline, WindowRequest request) {
    app = AppWindow{};
#ifdef OSTREL_SANITIZE_BUILD
    keep_gl_libraries_loaded();
#endif
    if (!start_video(offline, request)) return 0;
    app.windowed = !offline && request.windowed;
    if (!app.windowed) {
        SDL_ShowCursor(SDL_DISABLE);
        app.blank_cursor = create_blank_cursor();
    }

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, 0);

    app.window = create_piece_window(offline, app.windowed, request.display);
    if (app.window == nullptr) {
        std::fprintf(stderr, "Window creation failed: %s\n", SDL_GetError());
        if (app.blank_cursor != nullptr) SDL_FreeCursor(app.blank_cursor);
        SDL_Quit();
        return 0;
    }
    app.context = SDL_GL_CreateContext(app.window);
    if (app.context == nullptr) {
        std::fprintf(stderr, "OpenGL context failed: %s\n", SDL_GetError());
        if (app.blank_cursor != nullptr) SDL_FreeCursor(app.blank_cursor);
        SDL_DestroyWindow(app.window);
        SDL_Quit();
        return 0;
    }
    SDL_GL_SetSwapInterval(0);
    if (!app.windowed) SDL_ShowCursor(SDL_DISABLE);
    if (!offline) start_offscreen_picture();
    apply_gl_state();
    return 1;
}

void toggle_full_screen(AppWindow& app) {
    if (app.window == nullptr) return;
    app.windowed = !app.windowed;
    if (!app.windowed) {
        // The window is first made the display's size, where it is: a
        // window manager then makes it full screen, and without one (which
        // ignores the request, while SDL takes the window for full screen)
        // the window really has the size the picture is fitted to.
        SDL_Rect bounds;
        if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(app.window), &bounds) == 0) {
            SDL_SetWindowPosition(app.window, bounds.x, bounds.y);
            SDL_SetWindowSize(app.window, bounds.w, bounds.h);
        }
    }
    SDL_SetWindowFullscreen(app.window, app.windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (app.windowed) {
        SDL_SetWindowResizable(app.window, SDL_TRUE);
        SDL_SetWindowSize(app.window, window_default_width, window_default_height);
        SDL_SetWindowPosition(app.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    SDL_ShowCursor(app.windowed ? SDL_ENABLE : SDL_DISABLE);
}

int start_without_window(AppWindow& app) {
    app = AppWindow{};
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_EVENTS) != 0) {
        std::fprintf(stderr, "SDL init failed: %s\n", SDL_GetError());
        return 0;
    }
    return 1;
}

uint64_t seed_from_clock() {
    return wrap_seed((uint64_t)std::time(nullptr) ^ (uint64_t)SDL_GetPerformanceCounter());
}

void close_window(AppWindow& app) {
    if (app.context != nullptr) stop_offscreen_picture();
    if (app.blank_cursor != nullptr) SDL_FreeCursor(app.blank_cursor);
    if (app.context != nullptr) SDL_GL_DeleteContext(app.context);
    if (app.window != nullptr) SDL_DestroyWindow(app.window);
    SDL_Quit();
    app = AppWindow{};
}
