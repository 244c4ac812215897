#!/usr/bin/env bash
# The committed music track: format, exact length, kicks on the 140 BPM grid,
# a silent end, and that tools/make_track.sh reproduces it byte for byte.
#
#   usage (from the repository root): bash tests/track_test.sh [path/to/ostrel]
#
# The executable argument is accepted for uniformity and not used. Checks
# whose tools (ffprobe/ffmpeg, python3, lame 3.100) are missing are skipped.
set -uo pipefail

track=src/beat3-140bpm.mp3
passed=0
failed=0
skipped=0

pass() { echo "ok: $1"; passed=$((passed + 1)); }
fail() { echo "FAIL: $1" >&2; failed=$((failed + 1)); }
skip() { echo "skip: $1"; skipped=$((skipped + 1)); }

if [ ! -f "$track" ]; then
  echo "FAIL: $track is missing (run from the repository root)" >&2
  echo "0 passed, 1 failed"
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Format as the player sees it: MP3, 44.1 kHz, stereo, 192 kbps.
if command -v ffprobe >/dev/null 2>&1; then
  info="$(ffprobe -v error -select_streams a:0 \
    -show_entries stream=codec_name,sample_rate,channels,bit_rate,start_time,duration \
    -of default=noprint_wrappers=1 "$track")"
  field() { printf '%s\n' "$info" | sed -n "s/^$1=//p"; }
  if [ "$(field codec_name)" = mp3 ] && [ "$(field sample_rate)" = 44100 ] &&
     [ "$(field channels)" = 2 ] && [ "$(field bit_rate)" = 192000 ]; then
    pass "mp3, 44100 Hz, 2 channels, 192 kbps"
  else
    fail "unexpected format: $(printf '%s ' $info)"
  fi
  # The container's end minus the encoder delay it reports: within one
  # 1152-sample frame (0.0261 s) of 252 s.
  if awk -v s="$(field start_time)" -v d="$(field duration)" \
       'BEGIN { x = d - s - 252.0; exit !(x > -0.0262 && x < 0.0262) }'; then
    pass "ffprobe length $(field duration) s (start $(field start_time) s) is 252 s within one frame"
  else
    fail "ffprobe length $(field duration) s, start $(field start_time) s: not 252 s"
  fi
else
  skip "ffprobe missing: format not checked"
fi

# The decoded stream (encoder delay and padding trimmed) is 147 bars of
# 240/140 s exactly; its kicks sit on the beat grid from the first to the
# last bar with a beat, and the tail fades to silence.
if command -v ffmpeg >/dev/null 2>&1 && command -v python3 >/dev/null 2>&1; then
  ffmpeg -v error -i "$track" -f s16le -ac 1 -ar 44100 "$work/mono.raw"
  python3 - "$work/mono.raw" <<'EOF'
import array, sys
samples = array.array('h')
with open(sys.argv[1], 'rb') as f:
    samples.frombytes(f.read())
if sys.byteorder != 'little':
    samples.byteswap()
beat = 18900            # 60/140 s at 44.1 kHz
bar = 4 * beat
failures = []
if len(samples) != 147 * bar:
    failures.append('decoded %d samples, want %d (252 s)' % (len(samples), 147 * bar))

def energy(start, length):
    return sum(abs(v) for v in samples[start:start + length]) / float(length)

# Kick onsets: the 1500 samples after every beat of bars 1-135 are far
# louder than the 1500 before it; a drifting or shifted grid fails this.
weak = []
for b in range(135 * 4):
    onset = b * beat
    before = energy(onset - 1500, 1500) if onset >= 1500 else 1.0
    if energy(onset, 1500) < 2.0 * before:
        weak.append(b)
if weak:
    failures.append('no kick on beats %s' % weak[:10])

# Levels: the fuller middle act is louder than the opening bars, the start
# is not silent, and the last half second is near silence.
opening = energy(0, 4 * bar)
middle = energy(40 * bar, 8 * bar)
ending = energy(len(samples) - 22050, 22050)
if not opening > 500:
    failures.append('opening bars nearly silent (mean %.0f)' % opening)
if not middle > 1.2 * opening:
    failures.append('middle act (mean %.0f) not fuller than the opening (%.0f)' % (middle, opening))
if not ending < 30:
    failures.append('track does not fade out (last 0.5 s mean %.0f)' % ending)
peak = max(max(samples), -min(samples))
if peak >= 32767:
    failures.append('clipping (peak %d)' % peak)
for failure in failures:
    print('FAIL: ' + failure, file=sys.stderr)
sys.exit(1 if failures else 0)
EOF
  if [ $? -eq 0 ]; then
    pass "decodes to exactly 252 s; kicks on all 540 beats up to bar 135; fades out"
  else
    fail "decoded track content"
  fi
else
  skip "ffmpeg or python3 missing: decoded content not checked"
fi

# Regeneration: the same bytes as the committed file. lame's output depends
# on its version, so the byte comparison needs the version it was made with.
if ! command -v lame >/dev/null 2>&1; then
  skip "lame missing: regeneration not checked (apt-get install lame)"
elif ! lame --version 2>/dev/null | head -n 1 | grep -q 'version 3\.100'; then
  skip "lame is not version 3.100: regeneration not compared"
elif ! command -v "${CXX:-c++}" >/dev/null 2>&1; then
  skip "no C++ compiler: regeneration not checked"
elif bash tools/make_track.sh "$work/regenerated.mp3"; then
  if cmp -s "$work/regenerated.mp3" "$track"; then
    pass "tools/make_track.sh reproduces $track byte for byte"
  else
    fail "tools/make_track.sh output differs from the committed $track"
  fi
else
  fail "tools/make_track.sh failed"
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
