#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the normal build's, the
# browser edition's, and the whole suite again in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each phase's wall time, for seeing where the suite's time goes.
phase_start=$SECONDS
phase_done() { echo "== $1 took $((SECONDS - phase_start)) s"; phase_start=$SECONDS; }
tools/setup.sh --web
phase_done "set-up and release build"

jobs="$(nproc)"
echo "== tests (release build)"
ctest --test-dir build --output-on-failure -j"$jobs"
phase_done "release tests"

# The page's test, which leaves much of the machine idle, runs beside the
# whole runs under node, which are pure computation.
echo "== browser edition (WebAssembly under node, the page in headless Chromium and Firefox)"
tools/web.sh
node --test --test-concurrency="$jobs" tests/web/browser.test.mjs tests/web/frames_seed_*.test.mjs
phase_done "browser edition"

echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer build)"
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON -DOSTREL_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
phase_done "sanitizer build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/support/leak-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Last, so that ctest's own summary (with its total time) closes the output.
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
