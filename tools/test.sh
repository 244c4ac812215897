#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the normal build's, the
# browser edition's, and the whole suite again in a build with
# AddressSanitizer and UndefinedBehaviorSanitizer.
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
tools/setup.sh --web
phase_done "set-up and release build"

jobs="$(nproc)"
# One test more than cores: many wait on the wall clock, a display or a
# signal for much of their time.
test_jobs=$((jobs + 1))
echo "== tests (release build)"
ctest --test-dir build --output-on-failure -j"$test_jobs"
phase_done "release tests"

# The page's test leaves much of the machine idle, so the first whole run
# under node (pure computation) runs beside it, and the others beside the
# sanitizer build.
echo "== browser edition (WebAssembly under node, the page in headless Chromium and Firefox)"
tools/web.sh
whole_runs=(tests/web/frames_seed_*.test.mjs)
node --test --test-concurrency="$jobs" tests/web/browser.test.mjs "${whole_runs[0]}"
phase_done "browser edition"

whole_runs_log="$(mktemp)"
whole_runs_pid=""
# A failed build stops the whole runs too (node's runner ends its files).
trap '[ -z "$whole_runs_pid" ] || kill "$whole_runs_pid" 2> /dev/null; rm -f "$whole_runs_log"' EXIT
if [ ${#whole_runs[@]} -gt 1 ]; then
  node --test "${whole_runs[@]:1}" > "$whole_runs_log" 2>&1 &
  whole_runs_pid=$!
fi
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DOSTREL_SANITIZE=ON -DOSTREL_BENCHMARKS=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
whole_runs_status=0
[ -z "$whole_runs_pid" ] || wait "$whole_runs_pid" || whole_runs_status=$?
whole_runs_pid=""
cat "$whole_runs_log"
[ "$whole_runs_status" = 0 ] || { echo "== the whole runs under node failed"; exit 1; }
phase_done "sanitizer build, beside the other whole runs under node"

echo "== tests (AddressSanitizer + UndefinedBehaviorSanitizer build)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export LSAN_OPTIONS="suppressions=$PWD/tests/support/leak-suppressions.txt:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Last, so that ctest's own summary (with its total time) closes the output.
ctest --test-dir build-sanitize --output-on-failure -j"$test_jobs"
