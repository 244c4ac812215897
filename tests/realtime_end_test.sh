#!/bin/bash
# Whole-program real-time runs on a virtual X display with SDL's dummy audio
# driver, started near the end of the piece so each lasts only seconds:
#   - the real track from 244 s plays out, then 4 s of black, then exit 0;
#   - a track that ends before bar 135 keeps the piece going until song time
#     231.43 s before the 4 s of black;
#   - a start beyond the end of the track closes at once;
#   - a missing track gives exactly one message and a silent run.
# The start seek takes a machine-dependent time, so every timing is measured
# from the moment the track file is opened (the music opens 2 s into the
# frame loop and the decoder holds the file until shutdown). The loop clock
# never runs ahead of the wall clock, so the lower bounds are strict; on a
# loaded machine frames take longer than their capped 0.05 s step and the
# clock falls behind, so the upper bounds allow half as much again.
# Usage: bash tests/realtime_end_test.sh path/to/ostrel
set -u

ostrel=$(realpath "$1")
if [ "${2:-}" != "--inside-display" ]; then
    if ! command -v xvfb-run >/dev/null; then
        echo "SKIP: xvfb-run is not installed"
        exit 0
    fi
    exec xvfb-run -a -s "-screen 0 1920x1080x24" bash "$0" "$ostrel" --inside-display
fi

export SDL_AUDIODRIVER=dummy
unset SDL_VIDEODRIVER
work=$(mktemp -d /tmp/ostrel-realtime-XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
passed=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

now() { date +%s.%N; }

# run_piece BINARY START STDERR_FILE: runs the piece to its end; sets
# status, opened_at (empty if the track was never opened) and exited_at.
run_piece() {
    local binary=$1 start=$2 errors=$3
    local began state fds
    began=$(now)
    "$binary" --start "$start" --seed 7 2>"$errors" &
    local pid=$!
    opened_at=""
    while :; do
        read -r _ _ state _ 2>/dev/null <"/proc/$pid/stat" || break
        [ "$state" = "Z" ] && break
        if [ -z "$opened_at" ]; then
            fds=$(ls -l "/proc/$pid/fd" 2>/dev/null)
            [[ $fds == *beat3-140bpm.mp3* ]] && opened_at=$(now)
        fi
        if awk -v a="$began" -v b="$(now)" 'BEGIN { exit !(b - a > 90) }'; then
            kill "$pid"
            echo "run with --start $start did not end by itself within 90 s"
            break
        fi
        sleep 0.02
    done
    wait "$pid"
    status=$?
    exited_at=$(now)
}

# expect_span NAME LOW HIGH: seconds from track open to exit within bounds.
expect_span() {
    local name=$1 low=$2 high=$3
    if [ -z "$opened_at" ]; then
        fail "$name: the track was never opened"
        return
    fi
    local span
    span=$(awk -v a="$opened_at" -v b="$exited_at" 'BEGIN { printf "%.2f", b - a }')
    echo "$name: exit $span s after the track was opened (expected $low .. $high)"
    if awk -v s="$span" -v l="$low" -v h="$high" 'BEGIN { exit !(s >= l && s <= h) }'; then
        passed=$((passed + 1))
    else
        fail "$name: $span s is outside $low .. $high"
    fi
}

expect_status_zero() {
    if [ "$status" -eq 0 ]; then passed=$((passed + 1)); else fail "$1: exit status $status"; fi
}

# Length of an MP3 in seconds, or empty.
track_seconds() {
    if command -v soxi >/dev/null; then soxi -D "$1" 2>/dev/null; return; fi
    if command -v ffprobe >/dev/null; then
        ffprobe -v error -show_entries format=duration -of csv=p=0 "$1" 2>/dev/null
    fi
}

track="$(dirname "$ostrel")/src/beat3-140bpm.mp3"
length=$(track_seconds "$track")
[ -n "$length" ] || length=252.03

# 1. The real track from 244 s: the music plays out (the dummy device
# consumes about 1 % faster than real time), then 4 s of black.
run_piece "$ostrel" 244 "$work/errors-244"
expect_status_zero "start 244"
remaining=$(awk -v l="$length" 'BEGIN { print l - 244 }')
expect_span "start 244" "$(awk -v r="$remaining" 'BEGIN { print r * 0.98 + 3.9 }')" \
    "$(awk -v r="$remaining" 'BEGIN { print (r + 4.0) * 1.5 + 1 }')"
if [ -s "$work/errors-244" ] && grep -qv "^Preparing 244.00 seconds" "$work/errors-244"; then
    fail "start 244: unexpected messages: $(cat "$work/errors-244")"
fi

# 2. Beyond the end of the track: nothing to play, black at once.
run_piece "$ostrel" 300 "$work/errors-300"
expect_status_zero "start 300"
expect_span "start 300" 3.9 7.0

# 3. A 227 s track started at 226: the music is over at song time 227 but
# the closing waits for 231.43 (latency 2048/44100 + 0.158791 s after the
# device starts): about 0.2 + 5.43 + 4 s, not 1 + 4 s.
if command -v lame >/dev/null; then
    mkdir -p "$work/short/src"
    cp "$ostrel" "$work/short/ostrel"
    head -c $((227 * 44100 * 2)) /dev/zero |
        lame --quiet -r -s 44.1 -m m --bitwidth 16 --signed --little-endian - "$work/short/src/beat3-140bpm.mp3" 2>/dev/null
    run_piece "$work/short/ostrel" 226 "$work/errors-short"
    expect_status_zero "short track"
    expect_span "short track" 9.5 15.5
else
    echo "SKIP: lame is not installed; no short-track run"
fi

# 4. No track beside the executable: one message, silent run, exit 0.
mkdir -p "$work/missing"
cp "$ostrel" "$work/missing/ostrel"
run_piece "$work/missing/ostrel" 300 "$work/errors-missing"
expect_status_zero "missing track"
messages=$(grep -c "^Music playback unavailable; continuing silently.$" "$work/errors-missing")
if [ "$messages" = "1" ] && [ "$(wc -l <"$work/errors-missing")" = "2" ]; then
    passed=$((passed + 1))
else
    fail "missing track: expected the seek line and one music message, got: $(cat "$work/errors-missing")"
fi

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
