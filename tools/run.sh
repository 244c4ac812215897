#!/usr/bin/env bash
# Sets up what is missing, builds the program alone (the tests and
# benchmarks are the test command's) and starts the piece. Arguments are
# passed on to the program, e.g. tools/run.sh --seed 42. A second start
# builds nothing that is up to date and prints nothing of it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --packages-only
if [ ! -f build/CMakeCache.txt ]; then
  echo "Building ostrel (the first time only)..." >&2
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build build -j"$(nproc)" --target ostrel >build/run-build.log 2>&1 || {
  cat build/run-build.log >&2
  exit 1
}
exec ./build/ostrel "$@"
