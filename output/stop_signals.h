// SIGINT, SIGTERM and SIGHUP during an offline render: each asks the render
// to end the way Escape does (the outputs are finished and kept, status 0).
// SIGPIPE is ignored for the whole render, so a closed standard error or a
// dead encoder shows up as a failed write instead of killing the program.
#pragma once

// Installs the handlers and ignores SIGPIPE. (The output itself ignores
// SIGXFSZ while it writes, so a file size limit is a failed write too.)
void catch_stop_signals();
// SIGPIPE ignored: the recorder asks for it too, so its pipe is safe even
// where the handlers are not installed.
void ignore_broken_pipes();
// True once one of the three signals has arrived.
bool stop_requested();
// How many of them have arrived so far.
int stop_signal_count();
// Monotonic seconds at which the first one arrived; negative before.
double stop_requested_at();
