#include "output/stop_signals.h"

#include <csignal>
#include <ctime>
#include <initializer_list>

namespace {

volatile sig_atomic_t stop_flag = 0;
volatile sig_atomic_t stop_count = 0;
volatile sig_atomic_t first_signal = 0;
// Written once by the first signal; clock_gettime is async-signal-safe.
volatile double stop_time = -1.0;

double now_seconds() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

void on_stop_signal(int signal_number) {
    if (!stop_flag) {
        stop_time = now_seconds();
        first_signal = signal_number;
    }
    stop_flag = 1;
    stop_count = stop_count + 1;
}

}  // namespace

void catch_stop_signals() {
    struct sigaction stop = {};
    stop.sa_handler = on_stop_signal;
    sigemptyset(&stop.sa_mask);
    // No SA_RESTART: a blocked write returns, so the loop sees the request.
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &stop, nullptr);
    ignore_broken_pipes();
}

void ignore_broken_pipes() {
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
}

bool stop_requested() {
    return stop_flag != 0;
}

int stop_signal_count() {
    return stop_count;
}

double stop_requested_at() {
    return stop_time;
}

int stop_exit_status() {
    return first_signal != 0 ? 128 + first_signal : 0;
}
