#include "render/present.h"

#include "render/draw.h"
#include "render/screen.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cmath>
#include <cstdio>

namespace {

// Framebuffer objects: core since GL 3.0, and an extension every desktop
// driver offers on GL 2.1; the entry points are looked up at run time.
PFNGLGENFRAMEBUFFERSPROC gen_framebuffers;
PFNGLBINDFRAMEBUFFERPROC bind_framebuffer;
PFNGLDELETEFRAMEBUFFERSPROC delete_framebuffers;
PFNGLGENRENDERBUFFERSPROC gen_renderbuffers;
PFNGLBINDRENDERBUFFERPROC bind_renderbuffer;
PFNGLDELETERENDERBUFFERSPROC delete_renderbuffers;
PFNGLRENDERBUFFERSTORAGEPROC renderbuffer_storage;
PFNGLFRAMEBUFFERRENDERBUFFERPROC framebuffer_renderbuffer;
PFNGLCHECKFRAMEBUFFERSTATUSPROC check_framebuffer_status;
PFNGLBLITFRAMEBUFFERPROC blit_framebuffer;

GLuint picture_framebuffer = 0;
bool drawing_offscreen = false;  // the frame being drawn goes to the offscreen picture
GLuint picture_buffers[2] = {0, 0};  // colour, depth

template <typename F>
bool look_up(F& function, const char* name) {
    function = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    return function != nullptr;
}

bool look_up_framebuffer_calls() {
    return look_up(gen_framebuffers, "glGenFramebuffers") && look_up(bind_framebuffer, "glBindFramebuffer") &&
           look_up(delete_framebuffers, "glDeleteFramebuffers") &&
           look_up(gen_renderbuffers, "glGenRenderbuffers") && look_up(bind_renderbuffer, "glBindRenderbuffer") &&
           look_up(delete_renderbuffers, "glDeleteRenderbuffers") &&
           look_up(renderbuffer_storage, "glRenderbufferStorage") &&
           look_up(framebuffer_renderbuffer, "glFramebufferRenderbuffer") &&
           look_up(check_framebuffer_status, "glCheckFramebufferStatus") &&
           look_up(blit_framebuffer, "glBlitFramebuffer");
}

}  // namespace

PictureRect fit_picture(int width, int height) {
    PictureRect r = {0, 0, 0, 0, false};
    if (width <= 0 || height <= 0) return r;
    // Whole pixels of the 16:9 rectangle: as wide as fits, unless the
    // height limits it.
    if ((long)width * screen_height <= (long)height * screen_width) {
        r.width = width;
        r.height = (int)(((long)width * screen_height + screen_width / 2) / screen_width);
    } else {
        r.height = height;
        r.width = (int)(((long)height * screen_width + screen_height / 2) / screen_height);
    }
    r.x = (width - r.width) / 2;
    r.y = (height - r.height) / 2;
    r.whole_factor = r.width % screen_width == 0 && r.height % screen_height == 0 &&
                     r.width / screen_width == r.height / screen_height;
    return r;
}

int start_offscreen_picture() {
    const char* reason = nullptr;
    if (!look_up_framebuffer_calls()) {
        reason = "the OpenGL driver offers no framebuffer objects";
    } else {
        gen_framebuffers(1, &picture_framebuffer);
        bind_framebuffer(GL_FRAMEBUFFER, picture_framebuffer);
        gen_renderbuffers(2, picture_buffers);
        bind_renderbuffer(GL_RENDERBUFFER, picture_buffers[0]);
        renderbuffer_storage(GL_RENDERBUFFER, GL_RGBA8, screen_width, screen_height);
        framebuffer_renderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, picture_buffers[0]);
        bind_renderbuffer(GL_RENDERBUFFER, picture_buffers[1]);
        renderbuffer_storage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, screen_width, screen_height);
        framebuffer_renderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, picture_buffers[1]);
        if (check_framebuffer_status(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
            reason = "the OpenGL driver could not complete the offscreen framebuffer";
            stop_offscreen_picture();
        }
    }
    if (reason != nullptr) {
        std::fprintf(stderr, "Drawing straight to the window, as a fixed 1920x1080 picture: %s.\n", reason);
        picture_framebuffer = 0;
        return 0;
    }
    drawing_offscreen = true;
    return 1;
}

// Clears the parts of the drawable outside the picture to black.
void clear_bars(int width, int height, const PictureRect& r) {
    const int bars[4][4] = {{0, 0, r.x, height},
                            {r.x + r.width, 0, width - r.x - r.width, height},
                            {r.x, 0, r.width, r.y},
                            {r.x, r.y + r.height, r.width, height - r.y - r.height}};
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_SCISSOR_TEST);
    for (const auto& bar : bars) {
        if (bar[2] <= 0 || bar[3] <= 0) continue;
        glScissor(bar[0], bar[1], bar[2], bar[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
}

void present_frame(SDL_Window* window) {
    flush_drawing();
    int width = 0, height = 0;
    if (picture_framebuffer != 0) SDL_GL_GetDrawableSize(window, &width, &height);
    if (drawing_offscreen) {
        const PictureRect r = fit_picture(width, height);
        bind_framebuffer(GL_FRAMEBUFFER, 0);
        clear_bars(width, height, r);
        bind_framebuffer(GL_READ_FRAMEBUFFER, picture_framebuffer);
        blit_framebuffer(0, 0, screen_width, screen_height, r.x, r.y, r.x + r.width, r.y + r.height,
                         GL_COLOR_BUFFER_BIT, r.whole_factor ? GL_NEAREST : GL_LINEAR);
    }
    SDL_GL_SwapWindow(window);
    if (picture_framebuffer != 0) {
        // A drawable of exactly the picture's size is drawn into directly:
        // the same pixels, without the copy.
        drawing_offscreen = !(width == screen_width && height == screen_height);
        bind_framebuffer(GL_FRAMEBUFFER, drawing_offscreen ? picture_framebuffer : 0);
        glViewport(0, 0, screen_width, screen_height);
    }
}

void stop_offscreen_picture() {
    if (bind_framebuffer == nullptr || (picture_framebuffer == 0 && picture_buffers[0] == 0)) return;
    bind_framebuffer(GL_FRAMEBUFFER, 0);
    delete_renderbuffers(2, picture_buffers);
    delete_framebuffers(1, &picture_framebuffer);
    picture_framebuffer = 0;
    drawing_offscreen = false;
    picture_buffers[0] = picture_buffers[1] = 0;
}
