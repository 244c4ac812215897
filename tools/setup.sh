#!/usr/bin/env bash
# Installs the Debian packages the piece and its tests need (only those that
# are missing) and builds it into build/. Run from anywhere.
#   --web            also what the browser edition needs: emscripten, node
#                    and npm, Chromium and Firefox, and the pinned npm
#                    packages of its tests (package-lock.json)
#   --arm64          also the arm64 cross compiler, qemu-user and the
#                    program's arm64 libraries (a multiarch install), which
#                    check the frames on a second processor family
#   --packages-only  install, but build nothing
set -euo pipefail
cd "$(dirname "$0")/.."

web=0
arm64=0
build=1
for option in "$@"; do
  case "$option" in
    --web) web=1 ;;
    --arm64) arm64=1 ;;
    --packages-only) build=0 ;;
    *) echo "usage: tools/setup.sh [--web] [--arm64] [--packages-only]" >&2; exit 1 ;;
  esac
done

packages=(
  g++ cmake make pkg-config
  libsdl2-dev libmpg123-dev libpng-dev libdeflate-dev libgl-dev
  libgl1-mesa-dri libegl1 libegl-mesa0
  libgtest-dev libgmock-dev libbenchmark-dev
  ffmpeg lame python3 xvfb xauth xdotool parallel openssh-server openssh-client x11-apps
  help2man lintian fakeroot dpkg-dev rsync
)
if [ "$web" -eq 1 ]; then
  packages+=(emscripten chromium firefox-esr)
  # A node installed otherwise (with its own npm) is kept.
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi

if [ "$arm64" -eq 1 ]; then
  packages+=(g++-aarch64-linux-gnu qemu-user
    libsdl2-dev:arm64 libmpg123-dev:arm64 libpng-dev:arm64 libdeflate-dev:arm64 libgl-dev:arm64)
fi

# apt-get, waiting (up to 20 minutes) while another install holds its lock:
# the suite's own set-up in the background, or the system's.
apt_get() {
  local tries errors
  errors="$(mktemp)"
  for ((tries = 0; tries < 240; tries++)); do
    if DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get "$@" >/dev/null 2>"$errors"; then
      rm -f "$errors"
      return 0
    fi
    grep -q "Could not get lock" "$errors" || break
    sleep 5
  done
  cat "$errors" >&2
  rm -f "$errors"
  return 1
}

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
  # The arm64 libraries come from the arm64 half of Debian's archive.
  if [ "$arm64" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx arm64; then
    "${sudo_cmd[@]}" dpkg --add-architecture arm64
  fi
  apt_get update -qq
  apt_get install -y -qq "${missing[@]}"
fi

# The browser tests' npm packages, exactly as locked; puppeteer-core drives
# Debian's Chromium and downloads no browser of its own.
# node_modules/.installed-lock is the lock file they were installed from.
# They install while the build runs.
npm_install=""
if [ "$web" -eq 1 ] && ! cmp -s package-lock.json node_modules/.installed-lock 2>/dev/null; then
  npm ci --no-audit --no-fund --loglevel=error >&2 &
  npm_install=$!
fi

if [ "$build" -eq 1 ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build -j"$(nproc)"
fi

if [ -n "$npm_install" ]; then
  if ! wait "$npm_install"; then
    echo "npm ci failed: the browser tests need the npm registry once." >&2
    exit 1
  fi
  cp package-lock.json node_modules/.installed-lock
fi
