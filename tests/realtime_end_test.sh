#!/bin/bash
# Whole-program real-time runs under Xvfb with SDL's dummy audio, started near
# the end of the piece: the track from 248 s plays out, then 4 s of black and
# exit 0; a track ending before bar 135 keeps the piece going to 231.43 s; a
# start beyond the track's end and a missing track (one message) close at once.
# Spans run from the moment the music is opened, 2 s into the frame loop, as
# the start seek takes machine-dependent time. The loop clock never runs ahead
# of the wall clock (strict lower bounds); upper bounds allow a loaded machine.
# RUNS names the runs to make (default: short end beyond missing).
# Usage: bash tests/realtime_end_test.sh path/to/ostrel
source "$(dirname "$0")/support/script_helpers.sh" realtime "$1" display
[ "$HAVE_DISPLAY" = 1 ] || { skip "real-time runs need xvfb-run"; exit 0; }
unset SDL_VIDEODRIVER
music_message="Music playback unavailable; continuing silently."
runs=" ${RUNS:-short end beyond missing} "
wanted() { [[ $runs == *" $1 "* ]]; }

# run_piece NAME BINARY START: runs the piece until it ends by itself and writes
# "status opened exited" (microseconds; opened "-" if never) to NAME.result.
# The music counts as opened when the process holds the track (the decoder
# keeps it until shutdown) or has written the music message.
run_piece() {
    local name=$1 errors="$WORK/$1.err" state opened=-
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
    echo "$? $opened ${EPOCHREALTIME/./}" >"$WORK/$name.result"
}

# check NAME LOW HIGH: status 0 and seconds from opening to exit within bounds.
check() {
    local status opened exited
    read -r status opened exited <"$WORK/$1.result"
    [ "$status" -eq 0 ] || fail "$1: exit status $status"
    if [ "$opened" = - ]; then
        fail "$1: the music was never opened"
    elif ! awk -v n="$1" -v a="$opened" -v b="$exited" -v l="$2" -v h="$3" 'BEGIN { s = (b - a) / 1e6
        printf "%s: exit %.2f s after the music was opened (expected %s .. %s)\n", n, s, l, h
        exit !(s >= l && s <= h) }'; then
        fail "$1: outside the expected span"
    fi
}

track="$(dirname "$BIN")/src/beat3-140bpm.mp3"
length=$(soxi -D "$track" 2>/dev/null || ffprobe -v error -show_entries format=duration -of csv=p=0 "$track" 2>/dev/null)
[ -n "$length" ] || length=252.03

# A 227 s track: the music is over at song time 227 but the closing waits for
# 231.43 (plus the latency after the device starts), about 0.2 + 5.43 + 4 s.
mkdir -p "$WORK/missing" "$WORK/short/src"
cp "$BIN" "$WORK/missing/ostrel"
short=0
if wanted short && command -v lame >/dev/null; then
    cp "$BIN" "$WORK/short/ostrel"
    head -c $((227 * 44100 * 2)) /dev/zero |
        lame --quiet -r -s 44.1 -m m --bitwidth 16 --signed --little-endian - "$WORK/short/src/beat3-140bpm.mp3" 2>/dev/null
    short=1
fi
# Two runs at a time, the longer ones together: each timed part then overlaps
# at most one other, and the two start seeks, the busiest part, run in step.
[ "$short" = 1 ] && run_piece short "$WORK/short/ostrel" 226 &
wanted end && run_piece end "$BIN" 248 &
wait
wanted beyond && run_piece beyond "$BIN" 300 &
wanted missing && run_piece missing "$WORK/missing/ostrel" 300 &
wait

# The dummy device consumes about 1 % faster than real time.
remaining=$(awk -v l="$length" 'BEGIN { print l - 248 }')
if wanted end; then
    check end "$(awk -v r="$remaining" 'BEGIN { print r * 0.98 + 3.9 }')" \
        "$(awk -v r="$remaining" 'BEGIN { print (r + 4.0) * 1.5 + 1 }')"
    if grep -qv "^Preparing 248.00 seconds" "$WORK/end.err"; then
        fail "end: unexpected messages: $(cat "$WORK/end.err")"
    fi
fi
wanted beyond && check beyond 3.9 7.0
if [ "$short" = 1 ]; then check short 9.5 15.5; elif wanted short; then skip "lame is not installed; no short-track run"; fi
if wanted missing; then
    check missing 3.9 7.0
    # The seek line, the places the track was looked for (beside the
    # program, then the installed data folder), and one music message.
    [ "$(grep -cxF "$music_message" "$WORK/missing.err")" = 1 ] && [ "$(wc -l <"$WORK/missing.err")" = 5 ] &&
        [ "$(sed -n 3,4p "$WORK/missing.err")" = "  $WORK/missing/src/beat3-140bpm.mp3
  $WORK/share/ostrel/beat3-140bpm.mp3" ] ||
        fail "missing: expected the seek line, the places tried and one music message, got: $(cat "$WORK/missing.err")"
fi
finish
