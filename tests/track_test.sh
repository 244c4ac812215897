#!/usr/bin/env bash
# The committed music track: format, exact length, and that
# tools/make_track.sh reproduces it byte for byte. Checks whose tools
# (ffprobe, ffmpeg, lame 3.100) are missing are skipped.
#
#   usage (from the repository root): bash tests/track_test.sh [path/to/ostrel, unused]
source "$(dirname "$0")/support/script_helpers.sh" track "${1:-/dev/null}"
set -o pipefail
track=src/beat3-140bpm.mp3
[ -f "$track" ] || { fail "$track is missing (run from the repository root)"; exit 1; }

# MP3, 44.1 kHz, stereo, 192 kbps; the container's end minus the encoder
# delay it reports lies within one 1152-sample frame (0.0261 s) of 252 s.
if command -v ffprobe >/dev/null; then
  info="$(ffprobe -v error -select_streams a:0 -of default=noprint_wrappers=1 \
    -show_entries stream=codec_name,sample_rate,channels,bit_rate,start_time,duration "$track")"
  field() { printf '%s\n' "$info" | sed -n "s/^$1=//p"; }
  if [ "$(field codec_name)/$(field sample_rate)/$(field channels)/$(field bit_rate)" = mp3/44100/2/192000 ] &&
     awk -v s="$(field start_time)" -v d="$(field duration)" 'BEGIN { x = d - s - 252; exit !(x > -0.0262 && x < 0.0262) }'; then
    pass "mp3, 44100 Hz, 2 channels, 192 kbps, 252 s within one frame"
  else
    fail "unexpected format or length: $(printf '%s ' $info)"
  fi
else
  skip "ffprobe missing: format not checked"
fi

# Decoded, with the encoder delay and padding trimmed: exactly 147 bars of
# 4 x 18900 samples at 44.1 kHz (16-bit mono bytes counted).
if command -v ffmpeg >/dev/null; then
  bytes="$(ffmpeg -v error -i "$track" -f s16le -ac 1 -ar 44100 - | wc -c)"
  if [ "$bytes" = $((147 * 4 * 18900 * 2)) ]; then pass "decodes to exactly 252 s"; else fail "decoded $bytes bytes, not 252 s"; fi
else
  skip "ffmpeg missing: decoded length not checked"
fi

# Regeneration: lame's output depends on its version, so the byte comparison
# needs the version the track was made with.
if ! lame --version 2>/dev/null | head -n 1 | grep -q 'version 3\.100'; then
  skip "lame 3.100 missing: regeneration not compared"
elif ! command -v "${CXX:-c++}" >/dev/null; then
  skip "no C++ compiler: regeneration not checked"
elif ! bash tools/make_track.sh "$WORK/regenerated.mp3"; then
  fail "tools/make_track.sh failed"
elif cmp -s "$WORK/regenerated.mp3" "$track"; then
  pass "tools/make_track.sh reproduces $track byte for byte"
else
  fail "tools/make_track.sh output differs from the committed $track"
fi

finish
