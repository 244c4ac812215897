#!/usr/bin/env bash
# Regenerates the piece's music track: builds the synthesiser, renders the
# 252 s WAV and encodes it with lame to CBR 192 kbps MP3. The result is the
# same bytes on every run (the Info frame that lame writes holds only the
# encoder settings, the gapless delay and padding and checksums of the audio).
#
#   usage: bash tools/make_track.sh [OUTPUT.mp3]
#
# Default output: src/beat3-140bpm.mp3 of this repository. Needs a C++
# compiler and lame (Debian package "lame").
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
output="${1:-$here/../src/beat3-140bpm.mp3}"

if ! command -v lame >/dev/null 2>&1; then
  echo "make_track: lame is not installed (apt-get install lame)" >&2
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# -ffp-contract=off: no fused multiply-add, so every machine rounds alike.
"${CXX:-c++}" -std=c++17 -O2 -Wall -Wextra -ffp-contract=off -fno-fast-math \
  -o "$work/track_synth" "$here/track_synth.cpp"
"$work/track_synth" "$work/track.wav"

# --noreplaygain: no loudness analysis in the tag; the Info frame stays in,
# since it carries the encoder delay and padding that make decoders trim
# the stream to exactly 252 s.
lame --quiet --noreplaygain --cbr -b 192 -m j "$work/track.wav" "$work/track.mp3"
mv -f "$work/track.mp3" "$output"
