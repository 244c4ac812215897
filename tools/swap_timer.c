/* Times the real buffer swaps of a program: an LD_PRELOAD shim that wraps
 * SDL_GL_SwapWindow and, at exit, writes to the file named by SWAP_TIMES
 * one line per interval between two swap returns, in milliseconds.
 *   cc -shared -fPIC -O2 -o swap_timer.so tools/swap_timer.c -ldl
 *   SWAP_TIMES=swaps.txt LD_PRELOAD=./swap_timer.so build/ostrel --start 170
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

enum { capacity = 1 << 20 };
static double intervals[capacity];
static long count = 0;
static double last = -1.0;

static double now_ms(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec * 1e-6;
}

static void write_intervals(void) {
    const char* path = getenv("SWAP_TIMES");
    FILE* out = path != NULL ? fopen(path, "w") : NULL;
    if (out == NULL) return;
    for (long i = 0; i < count; i++) fprintf(out, "%.3f\n", intervals[i]);
    fclose(out);
}

void SDL_GL_SwapWindow(void* window) {
    static void (*real)(void*) = NULL;
    if (real == NULL) {
        real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
        atexit(write_intervals);
    }
    real(window);
    double t = now_ms();
    if (last >= 0.0 && count < capacity) intervals[count++] = t - last;
    last = t;
}
