#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the normal build's, the
# browser edition's, and the whole suite again in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
#
# Work that needs no quiet machine (the sanitizer build, and the browser
# build's whole-run checks, pure computation) runs beside the release tests
# at the lowest priority, in the time their waits leave idle; the tests
# themselves, some timed against the wall clock, keep the machine first.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each phase's wall time, for seeing where the suite's time goes.
phase_start=$SECONDS
phase_done() { echo "== $1 took $((SECONDS - phase_start)) s"; phase_start=$SECONDS; }
jobs="$(nproc)"
tools/setup.sh --web
tools/web.sh
phase_done "set-up, release build and browser build"

logs="$(mktemp -d)"
whole_runs="" sanitizer_build=""
# On a failure, the background work stops too: each job is a session of its
# own, so its processes are one group. A new session is also a scheduling
# group of its own where the kernel groups sessions (autogroup), and then
# the niceness that counts is the group's.
trap 'for pid in $whole_runs $sanitizer_build; do kill -- -$pid 2> /dev/null; done; rm -rf "$logs"' EXIT
lowest_priority='echo 19 > /proc/self/autogroup 2> /dev/null; exec nice -n 19 "$@"'
setsid bash -c "$lowest_priority" - node --test --test-concurrency="$jobs" tests/web/frames_seed_*.test.mjs \
  > "$logs/whole-runs" 2>&1 &
whole_runs=$!
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON -DOSTREL_BENCHMARKS=OFF > /dev/null
setsid bash -c "$lowest_priority" - cmake --build build-sanitize -j"$jobs" > "$logs/sanitizer-build" 2>&1 &
sanitizer_build=$!
# background NAME VARIABLE: waits for the background job whose process id
# VARIABLE holds, and shows what it printed.
background() {
  local status=0
  wait "${!2}" || status=$?
  printf -v "$2" ''
  echo "== $1"
  cat "$logs/$(tr ' ' - <<< "$1")"
  [ "$status" = 0 ] || { echo "== $1 failed (status $status)"; exit 1; }
}

echo "== tests (release build)"
ctest --test-dir build --output-on-failure -j"$jobs"
phase_done "release tests"

echo "== the page in headless Chromium and Firefox"
node --test tests/web/browser.test.mjs
phase_done "browser tests"

background "whole runs" whole_runs
background "sanitizer build" sanitizer_build
phase_done "waiting for the background work"

echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer build)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/support/leak-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Last, so that ctest's own summary (with its total time) closes the output.
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
