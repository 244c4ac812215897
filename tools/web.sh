#!/usr/bin/env bash
# Builds the browser edition into build-web/site/: the page, its script,
# the WebAssembly build of the piece (the same C++ as the program, drawn by
# our rasteriser) and the track. Static files, for any web server.
#   tools/web.sh                 build
#   tools/web.sh --serve [PORT]  build, then serve on 127.0.0.1 (default 8000)
set -euo pipefail
cd "$(dirname "$0")/.."

serve=0
port=8000
while [ $# -gt 0 ]; do
  case "$1" in
    --serve)
      serve=1
      if [ $# -gt 1 ] && [[ "$2" =~ ^[0-9]+$ ]]; then port="$2"; shift; fi
      ;;
    *) echo "usage: tools/web.sh [--serve [PORT]]" >&2; exit 1 ;;
  esac
  shift
done
if [ "$port" -lt 1 ] || [ "$port" -gt 65535 ]; then
  echo "Bad port \"$port\": give a number from 1 to 65535." >&2
  exit 1
fi

if ! command -v em++ >/dev/null || ! command -v node >/dev/null; then
  tools/setup.sh --web --packages-only
fi

# Debian's emscripten runs its optimiser with node, which must find the
# packages Debian installs under /usr/share/nodejs.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"

out=build-web
site="$out/site"
mkdir -p "$site"

# The piece's platform-free code and the browser's hold on it.
source tools/platform_free_sources.sh
compile_objects em++ "$out/obj" "${platform_free_sources[@]}" web/web_piece.cpp

em++ -O2 "${objects[@]}" -o "$site/ostrel-wasm.js" \
  -sMODULARIZE=1 -sEXPORT_NAME=createOstrel -sENVIRONMENT=web,node \
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864 \
  -sEXPORTED_FUNCTIONS=_malloc,_free \
  -sEXPORTED_RUNTIME_METHODS=cwrap,UTF8ToString,HEAPU8,HEAPU32

cp web/index.html web/ostrel.js web/ostrel.css "$site/"
cp src/beat3-140bpm.mp3 "$site/"
# The run's length, so the page need not wait for the track to prepare it.
node web/measure_track.mjs "$site"
size=$(cat "$site"/*.html "$site"/*.js "$site"/*.css "$site"/*.wasm "$site"/*.json | wc -c)
echo "Built the browser edition in $site/ ($((size / 1024)) KB without the track)." >&2

if [ "$serve" -eq 1 ]; then
  exec node web/serve.mjs "$site" "$port"
fi
