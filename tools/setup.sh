#!/usr/bin/env bash
# Installs the Debian packages the piece and its tests need (only those that
# are missing) and builds it into build/. Run from anywhere.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  g++ cmake make pkg-config
  libsdl2-dev libmpg123-dev libpng-dev libdeflate-dev libgl-dev
  libgl1-mesa-dri libegl1 libegl-mesa0
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg lame python3 xvfb xauth xdotool parallel openssh-server openssh-client x11-apps
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing missing packages: ${missing[*]}" >&2
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"
