#!/usr/bin/env bash
# Sets everything up, builds, and starts the piece from the repository root
# (where the offline modes find src/beat3-140bpm.mp3). Arguments are passed
# on to the program, e.g. tools/run.sh --seed 42.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
exec ./build/ostrel "$@"
