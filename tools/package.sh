#!/usr/bin/env bash
# Builds the Debian package of the program: build/ostrel_VERSION_ARCH.deb,
# its Depends worked out by dpkg-shlibdeps. The program alone is built, in
# build-package/ (no tests or benchmarks). Install it with
#   sudo apt-get install ./build/ostrel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh --packages-only
out=build-package
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DOSTREL_TESTS=OFF -DOSTREL_BENCHMARKS=OFF >/dev/null
cmake --build "$out" -j"$(nproc)" >"$out/build.log" 2>&1 || { cat "$out/build.log" >&2; exit 1; }
(cd "$out" && cpack -G DEB >cpack.log 2>&1) || { cat "$out/cpack.log" >&2; exit 1; }
mkdir -p build
package="$(ls -t "$out"/ostrel_*.deb | head -1)"
cp "$package" build/
echo "Built build/${package##*/}"
