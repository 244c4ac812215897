#!/bin/bash
# Whole-program real-time runs under Xvfb with SDL's dummy audio, started near
# the end of the piece: the track from 248 s plays out, then 4 s of black and
# exit 0; a track ending before bar 135 keeps the piece going to 231.43 s; a
# start beyond the track's end and a missing track (one message) close at once.
# Spans run from the moment the music is opened, 2 s into the frame loop, as
# the start seek takes machine-dependent time. The loop clock never runs ahead
# of the wall clock (strict lower bounds); upper bounds allow a loaded machine.
# Usage: bash tests/realtime_end_test.sh path/to/ostrel
set -u

ostrel=$(realpath "$1")
if [ "${2:-}" != "--inside-display" ]; then
    command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run is not installed"; exit 0; }
    exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$ostrel" --inside-display
fi

export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER
work=$(mktemp -d /tmp/ostrel-realtime-XXXXXX)
trap 'rm -rf "$work"' EXIT
music_message="Music playback unavailable; continuing silently."
failures=0
passed=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# run_piece NAME BINARY START: runs the piece until it ends by itself and writes
# "status opened exited" (microseconds; opened "-" if never) to NAME.result.
# The music counts as opened when the process holds the track (the decoder
# keeps it until shutdown) or has written the music message.
run_piece() {
    local name=$1 errors="$work/$1.err" state opened=-
    "$2" --start "$3" --seed 7 2>"$errors" &
    local pid=$! began=${EPOCHREALTIME/./}
    while read -r _ _ state _ 2>/dev/null <"/proc/$pid/stat" && [ "$state" != Z ]; do
        if [ "$opened" = - ] && [[ $(ls -l "/proc/$pid/fd" 2>/dev/null) == *beat3-140bpm.mp3* ||
                                   $(<"$errors") == *"$music_message"* ]]; then
            opened=${EPOCHREALTIME/./}
        fi
        if ((${EPOCHREALTIME/./} - began > 120000000)); then
            echo "$name: did not end by itself within 120 s"
            kill "$pid"
            break
        fi
        sleep 0.02
    done
    wait "$pid"
    echo "$? $opened ${EPOCHREALTIME/./}" >"$work/$name.result"
}

# check NAME LOW HIGH: status 0 and seconds from opening to exit within bounds.
check() {
    local status opened exited
    read -r status opened exited <"$work/$1.result"
    if [ "$status" -eq 0 ]; then passed=$((passed + 1)); else fail "$1: exit status $status"; fi
    if [ "$opened" = - ]; then
        fail "$1: the music was never opened"
    elif awk -v n="$1" -v a="$opened" -v b="$exited" -v l="$2" -v h="$3" 'BEGIN { s = (b - a) / 1e6
        printf "%s: exit %.2f s after the music was opened (expected %s .. %s)\n", n, s, l, h
        exit !(s >= l && s <= h) }'; then
        passed=$((passed + 1))
    else
        fail "$1: outside the expected span"
    fi
}

track="$(dirname "$ostrel")/src/beat3-140bpm.mp3"
length=$(soxi -D "$track" 2>/dev/null || ffprobe -v error -show_entries format=duration -of csv=p=0 "$track" 2>/dev/null)
[ -n "$length" ] || length=252.03

# A 227 s track: the music is over at song time 227 but the closing waits for
# 231.43 (plus the latency after the device starts), about 0.2 + 5.43 + 4 s.
mkdir -p "$work/missing" "$work/short/src"
cp "$ostrel" "$work/missing/ostrel"
short=0
if command -v lame >/dev/null; then
    cp "$ostrel" "$work/short/ostrel"
    head -c $((227 * 44100 * 2)) /dev/zero |
        lame --quiet -r -s 44.1 -m m --bitwidth 16 --signed --little-endian - "$work/short/src/beat3-140bpm.mp3" 2>/dev/null
    short=1
fi
# Two runs at a time, the longer ones together: each timed part then overlaps
# at most one other, and the two start seeks, the busiest part, run in step.
[ "$short" = 1 ] && run_piece short "$work/short/ostrel" 226 &
run_piece end "$ostrel" 248 &
wait
run_piece beyond "$ostrel" 300 &
run_piece missing "$work/missing/ostrel" 300 &
wait

# The dummy device consumes about 1 % faster than real time.
remaining=$(awk -v l="$length" 'BEGIN { print l - 248 }')
check end "$(awk -v r="$remaining" 'BEGIN { print r * 0.98 + 3.9 }')" \
    "$(awk -v r="$remaining" 'BEGIN { print (r + 4.0) * 1.5 + 1 }')"
if grep -qv "^Preparing 248.00 seconds" "$work/end.err"; then
    fail "end: unexpected messages: $(cat "$work/end.err")"
fi
check beyond 3.9 7.0
if [ "$short" = 1 ]; then check short 9.5 15.5; else echo "SKIP: lame is not installed; no short-track run"; fi
check missing 3.9 7.0
if [ "$(grep -cxF "$music_message" "$work/missing.err")" = 1 ] && [ "$(wc -l <"$work/missing.err")" = 2 ]; then
    passed=$((passed + 1))
else
    fail "missing: expected the seek line and one music message, got: $(cat "$work/missing.err")"
fi

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
