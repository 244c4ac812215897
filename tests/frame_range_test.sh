#!/bin/bash
# Frame ranges and the render farm, headless, from the repository root, on
# short runs started near the end (481 frames from 250 s).
# Usage: bash tests/frame_range_test.sh path/to/ostrel
set -u
BIN=$(realpath "$1")
WORK=$(mktemp -d /tmp/ostrel-range-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_AUDIODRIVER=dummy OSTREL="$BIN"
FAILED=0
fail() { echo "FAIL: $*"; FAILED=1; }
RUN=(--seed 5 --start 250)

# --- Bad ranges: a message naming the range, status 1, nothing created.
# (The forms themselves are the parser's test; here: refused by the program.)
for range in abc 9-3 1-482; do
    "$BIN" --export-png-frames "$WORK/bad" "${RUN[@]}" --frames "$range" 2> "$WORK/bad.err"
    status=$?
    [ "$status" = 1 ] || fail "--frames '$range': status $status"
    grep -q "[Ff]rame range" "$WORK/bad.err" || fail "--frames '$range': message $(<"$WORK/bad.err")"
    [ ! -e "$WORK/bad" ] || fail "--frames '$range': the directory was created"
done
"$BIN" --export-png-frames "$WORK/bad" "${RUN[@]}" --frames 2> "$WORK/missing.err"
[ $? = 1 ] && [ ! -e "$WORK/bad" ] && grep -q "Bad frame range" "$WORK/missing.err" || fail "--frames without a value"
"$BIN" --seed 5 --frames 1-3 2> "$WORK/realtime.err"
[ $? = 1 ] && grep -q "needs --record or --export-png-frames" "$WORK/realtime.err" || fail "--frames in real time"
[ "$("$BIN" --run-info "${RUN[@]}" | head -1)" = "frames 481" ] || fail "--run-info: $("$BIN" --run-info "${RUN[@]}")"

# --- Ranges equal the whole run's frames, byte for byte, under its names;
# the progress counts the range.
"$BIN" --export-png-frames "$WORK/whole" "${RUN[@]}" 2> /dev/null || fail "whole run"
"$BIN" --export-png-frames "$WORK/part" "${RUN[@]}" --frames 100-130 2> "$WORK/part.err" || fail "range 100-130"
"$BIN" --export-png-frames "$WORK/part" "${RUN[@]}" --frames 470-481 2> /dev/null || fail "range 470-481"
grep -q "^Exporting 31 indexed PNG frames to $WORK/part$" "$WORK/part.err" || fail "range message: $(<"$WORK/part.err")"
grep -q "^frame 31/31 (100.0%)" "$WORK/part.err" || fail "range progress: $(<"$WORK/part.err")"
[ "$(ls "$WORK/part" | wc -l)" = 43 ] || fail "range files: $(ls "$WORK/part" | head -3)"
for file in "$WORK"/part/*; do
    cmp -s "$file" "$WORK/whole/${file##*/}" || fail "${file##*/} differs from the whole run's"
done

# --- A farm of 3 chunks equals a single run: the same PNG files, and a
# recording whose decoded video and sound equal the single run's.
tools/render-farm.sh --chunks 3 -- --export-png-frames "$WORK/farm" "${RUN[@]}" > "$WORK/farm.out" 2>&1 ||
    fail "farm export: $(<"$WORK/farm.out")"
diff -r -q "$WORK/farm" "$WORK/whole" > /dev/null || fail "farm export differs from the single run"
[ ! -e "$WORK/farm.farm" ] || fail "farm export left its work directory"

"$BIN" --record "$WORK/single.mkv" "${RUN[@]}" 2> /dev/null || fail "single recording"
tools/render-farm.sh --chunks 3 -- --record "$WORK/farm.mkv" "${RUN[@]}" > "$WORK/farm.out" 2>&1 ||
    fail "farm recording: $(<"$WORK/farm.out")"
for stream in v a; do
    for take in single farm; do
        ffmpeg -v error -i "$WORK/$take.mkv" -map 0:$stream -f framemd5 "$WORK/$take.$stream.md5"
    done
    [ -s "$WORK/farm.$stream.md5" ] && cmp -s "$WORK/single.$stream.md5" "$WORK/farm.$stream.md5" ||
        fail "farm recording: the $stream stream differs from the single run's"
done

# --print gives the chunk commands and the join, and runs nothing.
tools/render-farm.sh --chunks 2 --print -- --record "$WORK/printed.mkv" "${RUN[@]}" > "$WORK/print.out" 2>&1
[ "$(grep -c -- "--frames" "$WORK/print.out")" = 2 ] && grep -q -- "--frames 241-481" "$WORK/print.out" &&
    grep -q "^ffmpeg .* -f concat .* -c:v copy .*&& mv -f" "$WORK/print.out" || fail "--print: $(<"$WORK/print.out")"
[ ! -e "$WORK/printed.mkv" ] || fail "--print rendered"

# --- A failed chunk fails the farm with a message naming it and its log;
# no file appears under the final name; a second run redoes that chunk only.
cat > "$WORK/flaky" <<EOF
#!/bin/bash
echo "\$*" >> "$WORK/calls.log"
case "\$*" in *--frames\ 160-321*) [ -e "$WORK/break" ] && { echo "chunk broke" >&2; exit 3; } ;; esac
exec "$BIN" "\$@"
EOF
chmod +x "$WORK/flaky"
touch "$WORK/break"
export OSTREL="$WORK/flaky"
tools/render-farm.sh --chunks 3 -- --record "$WORK/retry.mkv" "${RUN[@]}" > "$WORK/retry.out" 2>&1
[ $? = 1 ] || fail "failed chunk: status"
grep -q "chunk 2 (frames 160-321) failed; see .*chunk-2.log" "$WORK/retry.out" || fail "failed chunk: $(<"$WORK/retry.out")"
[ ! -e "$WORK/retry.mkv" ] || fail "failed chunk: a file appeared under the final name"
rm "$WORK/break"
tools/render-farm.sh --chunks 3 -- --record "$WORK/retry.mkv" "${RUN[@]}" > "$WORK/retry2.out" 2>&1 ||
    fail "rerun: $(<"$WORK/retry2.out")"
[ "$(grep -c -- "--frames" "$WORK/calls.log")" = 4 ] && [ "$(grep -c -- "--frames 160-321" "$WORK/calls.log")" = 2 ] ||
    fail "rerun: chunks run $(cat "$WORK/calls.log")"
ffmpeg -v error -i "$WORK/retry.mkv" -map 0:v -f framemd5 "$WORK/retry.v.md5"
cmp -s "$WORK/single.v.md5" "$WORK/retry.v.md5" || fail "rerun: video differs from the single run's"

[ "$FAILED" = 0 ] && echo "frame range tests passed"
exit "$FAILED"
