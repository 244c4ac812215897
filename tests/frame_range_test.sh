#!/bin/bash
# Frame ranges, headless, from the repository root, on short runs started
# near the end (481 frames from 250 s).
# Usage: bash tests/frame_range_test.sh path/to/ostrel
source "$(dirname "$0")/support/script_helpers.sh" range "$1"
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

# --- Our rasteriser needs no display, video driver or OpenGL: the same
# files under SDL's dummy driver and with another OpenGL driver about, and
# the same as OpenGL's own (--renderer gl); other renderers are refused.
TREE=(--seed 5 --start 170 --frames 115-126)
"$BIN" --export-png-frames "$WORK/cpu" "${TREE[@]}" 2> /dev/null || fail "rasteriser export"
SDL_VIDEODRIVER=dummy "$BIN" --export-png-frames "$WORK/dummy" "${TREE[@]}" 2> /dev/null || fail "dummy video driver"
GALLIUM_DRIVER=softpipe "$BIN" --export-png-frames "$WORK/softpipe" "${TREE[@]}" 2> /dev/null || fail "softpipe"
"$BIN" --renderer=gl --export-png-frames "$WORK/gl" "${TREE[@]}" 2> /dev/null || fail "--renderer gl"
for other in dummy softpipe gl; do
    diff -r -q "$WORK/cpu" "$WORK/$other" > /dev/null || fail "$other: frames differ from the rasteriser's"
done
[ "$(ls "$WORK/cpu" | wc -l)" = 12 ] || fail "rasteriser export: $(ls "$WORK/cpu" | wc -l) files"
"$BIN" --renderer vulkan --export-png-frames "$WORK/none" "${TREE[@]}" 2> "$WORK/renderer.err"
[ $? = 1 ] && [ ! -e "$WORK/none" ] && grep -q 'Unknown renderer "vulkan"' "$WORK/renderer.err" || fail "unknown renderer"

finish
