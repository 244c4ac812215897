// SIGINT, SIGTERM and SIGHUP during an offline render: each asks the render
// to end the way Escape does (the outputs are finished and kept), and the
// program then exits with 128 + the signal's number, as the shell reports
// a program a signal ended, so that `&&` stops.
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
// 128 + the number of the first of them to arrive (130 for SIGINT, 143 for
// SIGTERM, 129 for SIGHUP); 0 when none has.
int stop_exit_status();
