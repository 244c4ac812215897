#!/bin/bash
# The README's "Delivering a video" commands, run as they stand on a short
# recording and PNG range of the blue wave (white, red, green and blue
# areas): the decoded colours of a known frame stay within two levels of the
# recording's, in the median of each colour's flat areas.
# Usage: bash tests/delivery_test.sh path/to/ostrel
source "$(dirname "$0")/support/script_helpers.sh" delivery "$1"
checker="$REPO/tests/support/check_delivery_colours.py"
scratch_root

"$BIN" --record take.mkv --seed 2718 --frames 3440-3460 2> /dev/null || fail "the recording"
"$BIN" --export-png-frames frames --seed 2718 --frames 3440-3460 2> /dev/null || fail "the PNG range"
# The section's ffmpeg lines; the PNG range's starts at its own first frame.
mapfile -t commands < <(sed -n '/^### Delivering a video/,/^### /p' "$REPO/README.md" |
    sed -n 's/^    \(ffmpeg .*\)$/\1/p' | sed 's/-start_number 9000/-start_number 3440/')
[ ${#commands[@]} = 3 ] || fail "the README gives ${#commands[@]} ffmpeg commands, not 3"
outputs=()
for command in "${commands[@]}"; do
    output=${command##* }
    outputs+=("$output")
    bash -c "$command -y -v error" < /dev/null 2> "$output.err" || fail "$output: $(<"$output.err")"
done
# Frame 3450 is the eleventh of the range.
python3 "$checker" take.mkv 10 "${outputs[@]}" > colours.txt 2>&1
expect $? "${outputs[*]} keep the colours" "$(<colours.txt)"
cat colours.txt
[ "$(packets share.mp4 a:0)" -gt 0 ] 2> /dev/null && [ "$(packets edit.mov a:0)" -gt 0 ] 2> /dev/null ||
    fail "the sound is missing from share.mp4 or edit.mov"
[ "$(packets range.mp4)" = 21 ] || fail "range.mp4 holds $(packets range.mp4) frames, not 21"
finish
