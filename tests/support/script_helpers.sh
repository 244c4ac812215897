# Shared by the whole-program test scripts (sourced): a scratch folder,
# pass/fail/skip reports, a virtual display, and packet counts of a video.
#   source tests/support/script_helpers.sh NAME path/to/ostrel [display]
# With "display" the script first re-runs itself inside a virtual X server
# (1920x1080, 24 bits) when xvfb-run is there; HAVE_DISPLAY says whether it
# runs inside one. Without it, any display is hidden from the program.
set -u
if [ "${3:-}" = display ] && [ -z "${OSTREL_UNDER_XVFB:-}" ] && command -v xvfb-run > /dev/null; then
    # A server number from the process id, so parallel tests rarely collide.
    OSTREL_UNDER_XVFB=1 exec xvfb-run -a -n $((100 + $$ % 400)) -s "-screen 0 1920x1080x24 -nolisten tcp" \
        bash "$0" "$2"
fi
HAVE_DISPLAY=${OSTREL_UNDER_XVFB:-0}
[ "${3:-}" = display ] || unset DISPLAY WAYLAND_DISPLAY
BIN=$(realpath "$2")
REPO=$(pwd)
TRACK="$REPO/src/beat3-140bpm.mp3"
WORK=$(mktemp -d "/tmp/ostrel-$1-XXXXXX")
TEST_NAME=$1
CLEANUP=()
trap 'for c in "${CLEANUP[@]}"; do eval "$c"; done; [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"' EXIT
export SDL_AUDIODRIVER=dummy
FAILED=0
fail() { echo "FAIL: $*"; FAILED=1; }
pass() { echo "ok: $*"; }
skip() { echo "skip: $*"; }
# expect STATUS WHAT DETAIL: passes WHAT when STATUS is 0, else fails with DETAIL.
expect() { if [ "$1" = 0 ]; then pass "$2"; else fail "$2: $3"; fi; }
# packets FILE [STREAM]: the packets of STREAM (default v:0, the video) in
# FILE, that is its frame count; empty if there is no such stream.
packets() {
    ffprobe -v error -count_packets -select_streams "${2:-v:0}" -show_entries stream=nb_read_packets \
        -of csv=p=0 "$1" 2>/dev/null
}
# scratch_root: a folder with a copy of the track to run in, so that nothing
# a test does can touch the repository's own.
scratch_root() {
    mkdir -p "$WORK/root/src"
    cp "$TRACK" "$WORK/root/src/"
    cd "$WORK/root" || exit 1
}
# fake_program DIR NAME SCRIPT: a stand-in NAME on a search path folder DIR.
fake_program() {
    mkdir -p "$1"
    printf '#!/bin/bash\n%s\n' "$3" > "$1/$2"
    chmod +x "$1/$2"
}
finish() {
    [ "$FAILED" = 0 ] && echo "$TEST_NAME tests passed"
    exit "$FAILED"
}
