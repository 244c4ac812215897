# Shared by the whole-program test scripts (sourced): a scratch folder, the
# failure count, and the frame count of a video.
#   source tests/support/script_helpers.sh NAME path/to/ostrel
set -u
BIN=$(realpath "$2")
REPO=$(pwd)
TRACK="$REPO/src/beat3-140bpm.mp3"
WORK=$(mktemp -d "/tmp/ostrel-$1-XXXXXX")
TEST_NAME=$1
CLEANUP=()
trap 'for c in "${CLEANUP[@]}"; do eval "$c"; done; [ -n "${KEEP_WORK:-}" ] || rm -rf "$WORK"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_AUDIODRIVER=dummy
FAILED=0
fail() { echo "FAIL: $*"; FAILED=1; }
# video_frames FILE: the number of video frames FILE holds (empty if none).
video_frames() {
    ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$1" 2>/dev/null
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
