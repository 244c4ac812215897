#!/usr/bin/env bash
# Cross-builds for arm64 (64-bit ARM), to run on any arm64 Linux or here
# under qemu-aarch64:
# - build-arm64/check_frames: the frame checker (tools/check_frames.cpp)
#   with the piece's platform-free code, one static program;
# - build-arm64/program/ostrel: the whole program, against the arm64
#   libraries of a multiarch install.
# Installs Debian's cross compiler, qemu-user and those libraries when they
# are missing (tools/setup.sh --arm64).
set -euo pipefail
cd "$(dirname "$0")/.."

compiler=aarch64-linux-gnu-g++
if ! command -v "$compiler" >/dev/null || ! command -v qemu-aarch64 >/dev/null ||
   ! dpkg-query -W -f='${Status}' libsdl2-dev:arm64 2>/dev/null | grep -q "install ok installed"; then
  tools/setup.sh --arm64 --packages-only
fi
source tools/platform_free_sources.sh
compile_objects "$compiler" build-arm64/obj "${platform_free_sources[@]}" tools/check_frames.cpp
"$compiler" -static -O2 "${objects[@]}" -o build-arm64/check_frames

cmake -S . -B build-arm64/program -DCMAKE_TOOLCHAIN_FILE=tools/arm64-toolchain.cmake -DCMAKE_BUILD_TYPE=Release \
  -DOSTREL_TESTS=OFF -DOSTREL_BENCHMARKS=OFF > /dev/null
cmake --build build-arm64/program -j"$(nproc)" --target ostrel > /dev/null
