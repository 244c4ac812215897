#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the normal build's, the
# browser edition's, and the sanitizer build's (AddressSanitizer and
# UndefinedBehaviorSanitizer).
set -euo pipefail
cd "$(dirname "$0")/.."
# Each phase's wall time and the machine's busy CPU time in it, for seeing
# where the suite's time goes.
busy_ticks() { awk '/^cpu / { print $2 + $3 + $4 + $7 + $8 + $9 }' /proc/stat 2> /dev/null || echo 0; }
phase_start=$SECONDS phase_ticks=$(busy_ticks)
phase_done() {
  local ticks
  ticks=$(busy_ticks)
  echo "== $1 took $((SECONDS - phase_start)) s, $(((ticks - phase_ticks) / 100)) s of CPU"
  phase_start=$SECONDS phase_ticks=$ticks
}
# Work in the background, each with its log; stopped, with all it started,
# if the suite ends first.
background_pids=()
background_logs=()
kill_tree() {
  local child
  for child in $(pgrep -P "$1"); do kill_tree "$child"; done
  kill "$1" 2> /dev/null || true
}
# A package install is waited for, never cut off (dpkg would be left
# half-done).
trap 'for pid in "${background_pids[@]}"; do kill_tree "$pid"; done
  [ -z "${web_setup_pid:-}" ] || wait "$web_setup_pid" 2> /dev/null || true
  rm -f "${background_logs[@]}"' EXIT
# start_background NAME COMMAND...: runs COMMAND in the background, its
# output in a log; the variables NAME_pid and NAME_log name them.
start_background() {
  local name=$1 log
  shift
  log="$(mktemp)"
  background_logs+=("$log")
  "$@" > "$log" 2>&1 &
  background_pids+=($!)
  printf -v "${name}_pid" %s $!
  printf -v "${name}_log" %s "$log"
}
# finish_background NAME WHAT: waits for NAME, shows its output, and ends
# the suite if it failed.
finish_background() {
  local pid_var="${1}_pid" log_var="${1}_log" status=0 pid
  wait "${!pid_var}" || status=$?
  # Done: its process id may be another's from now on.
  for pid in "${!background_pids[@]}"; do
    [ "${background_pids[$pid]}" != "${!pid_var}" ] || unset "background_pids[$pid]"
  done
  cat "${!log_var}"
  [ "$status" = 0 ] || { echo "== $2 failed"; exit 1; }
}

tools/setup.sh
phase_done "set-up and release build"

jobs="$(nproc)"
# The browser edition's packages (emscripten, Chromium, Firefox and the
# tests' npm packages) and the arm64 cross compiler with qemu-user install
# while the normal build's tests run, and the
# sanitizer build, pure computation, takes the CPU they leave: at nice 19,
# in this session's scheduling group, it yields to them.
start_background web_setup tools/setup.sh --web --arm64 --packages-only
unset 'background_pids[-1]'
start_background sanitizer_build nice -n 19 bash -c "cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug \
  -DOSTREL_SANITIZE=ON -DOSTREL_BENCHMARKS=OFF > /dev/null && cmake --build build-sanitize -j$jobs"
# One test more than cores: many wait on the wall clock, a display or a
# signal for much of their time.
test_jobs=$((jobs + 1))
echo "== tests (release build)"
ctest --test-dir build --output-on-failure -j"$test_jobs"
finish_background web_setup "setting up the browser edition"
phase_done "release tests, beside the browser edition's set-up and the sanitizer build"

# The page's test leaves much of the machine idle: the whole runs under
# node and the frames of the arm64 build under qemu (pure computation) take
# it, at nice 19.
echo "== browser edition (WebAssembly under node, the page in headless Chromium and Firefox; arm64 under qemu)"
tools/web.sh
start_background whole_runs nice -n 19 node --test --test-force-exit --test-concurrency="$jobs" tests/web/frames_seed_*.test.mjs
start_background arm64_frames nice -n 19 bash tests/arm64_frames_test.sh build/ostrel
# A test that times out fails and the run ends (--test-force-exit), rather
# than waiting on what the test left open. Each page test is bounded in
# time: under load, a headless browser now and then stops answering and
# that test fails; a failed run is run once more, and a real fault fails
# twice.
page_tests() {
  node --test --test-force-exit --test-timeout=480000 tests/web/browser.test.mjs tests/web/parameters.test.mjs
}
page_tests || { echo "== the page's tests failed; running them once more"; page_tests; }
phase_done "browser edition"
finish_background whole_runs "the whole runs under node"
finish_background arm64_frames "the arm64 frames under qemu"
finish_background sanitizer_build "the sanitizer build"
phase_done "the rest of the whole runs under node and of the sanitizer build"

echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer build)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/support/leak-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Last, so that ctest's own summary (with its total time) closes the output.
# A test that fails is run once more: LeakSanitizer's own tracer now and
# then crashes at a program's exit under load ("Tracer caught signal 11"),
# which is no fault of the piece (the real-time runs, where it struck most,
# run without the leak check); a real fault fails twice.
ctest --test-dir build-sanitize --output-on-failure -j"$test_jobs" --repeat until-pass:2
