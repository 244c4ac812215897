#!/bin/bash
# The same frames on arm64, under qemu-aarch64: the platform-free core's
# cross build (tools/build-arm64.sh) checks about 100 frames of every act of
# both reference runs, indexed and RGB, against the committed CRCs (the
# frames between are stepped); the checker names a changed frame; the whole
# program's PNG ranges equal this machine's, byte for byte.
# Usage: bash tests/arm64_frames_test.sh path/to/ostrel (tools/test.sh runs it)
source "$(dirname "$0")/support/script_helpers.sh" arm64 "$1"

tools/build-arm64.sh > "$WORK/build.log" 2>&1 || { cat "$WORK/build.log"; fail "the arm64 build"; finish; }
check() { qemu-aarch64 build-arm64/check_frames "$TRACK" "$@"; }

# About 100 frames of every act of each run; frame N of seed 2718 shows
# song time (N - 121) / 60, of seed 7 (started at 37.123 s) 37.123 s more.
#   2718: the lead-in into the first beats, capture, the title card, the
#         blue wave, the cull, survivor and red, the tree scene, credits,
#         the stripes, the last frames of the blackout.
#   7:    the lead-in, its first frames, the blue wave, red particles, the
#         tree growing, its collapse and credits, the stripes, the end.
check tests/reference/seed-2718-every-frame.crc 2718 0 \
    61-180 1300-1400 2281-2380 3400-3500 4081-4180 6700-6800 10900-11000 12500-12600 13640-13740 15400-15480 \
    > "$WORK/2718.out" 2>&1 &
pid_2718=$!
check tests/reference/seed-7-every-frame.crc 7 37.123 \
    1-40 100-200 1200-1300 3880-3980 8500-8600 10780-10880 11560-11660 13200-13254 \
    > "$WORK/7.out" 2>&1
expect $? "seed 7 from 37.123 s on arm64" "$(cat "$WORK/7.out")"
wait "$pid_2718"
expect $? "seed 2718 on arm64" "$(cat "$WORK/2718.out")"
cat "$WORK/7.out" "$WORK/2718.out"

# One committed frame changed: the checker names it and fails.
cp tests/reference/seed-7-every-frame.crc "$WORK/changed.crc"
printf '\x01' | dd of="$WORK/changed.crc" bs=1 seek=$(((30 - 1) * 8 + 5)) conv=notrunc status=none
check "$WORK/changed.crc" 7 37.123 1-40 > "$WORK/changed.out" 2>&1
[ $? = 1 ] && grep -q "frame 30 differs" "$WORK/changed.out" || fail "a changed frame: $(cat "$WORK/changed.out")"

# The whole program on arm64: PNG ranges of the blue wave and the tree scene
# (a seed of neither reference run), file for file the same as this
# machine's.
scratch_root
for range in 3400-3420 10900-10920; do
    qemu-aarch64 "$REPO/build-arm64/program/ostrel" --export-png-frames arm64 --seed 4321 --frames "$range" \
        2> "$WORK/arm64.err" || fail "the arm64 program, frames $range: $(tail -2 "$WORK/arm64.err")"
    "$BIN" --export-png-frames native --seed 4321 --frames "$range" 2> /dev/null || fail "the program, frames $range"
done
[ "$(ls arm64 | wc -l)" = 42 ] && diff -r arm64 native > /dev/null
expect $? "the arm64 program's PNG frames equal this machine's" "$(diff -r arm64 native 2>&1 | head -3)"
finish
