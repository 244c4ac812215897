#!/bin/bash
# Whole offline runs of the program, headless (no display), from the
# repository root: PNG export and recording near the end of the piece,
# refused and impossible output names, a missing encoder and a full disk.
# That recorded frames decode to exactly the drawn frames, right side up,
# is checked on real pictures in offline_output_test.
# Usage: bash tests/offline_render_test.sh path/to/ostrel
set -u
BIN=$(realpath "$1")
WORK=$(mktemp -d /tmp/ostrel-render-XXXXXX)
SMALL_MOUNTED=0
cleanup() {
    [ "$SMALL_MOUNTED" = 1 ] && umount "$WORK/small"
    rm -rf "$WORK"
}
trap cleanup EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_AUDIODRIVER=dummy
FAILED=0
fail() { echo "FAIL: $*"; FAILED=1; }

# run NAME ARGS...: runs the program, keeping stderr in $WORK/NAME.err and
# the exit status in $STATUS.
run() {
    local name=$1; shift
    "$BIN" "$@" 2> "$WORK/$name.err"
    STATUS=$?
}
expect_status() { [ "$STATUS" = "$1" ] || fail "$2: exit status $STATUS, expected $1: $(cat "$WORK/$2.err")"; }
expect_line() { grep -qxF -- "$2" "$WORK/$1.err" || fail "$1: missing message '$2': $(cat "$WORK/$1.err")"; }
expect_absent() { [ ! -e "$2" ] || fail "$1: $2 was created"; }

# check_frames DIR COUNT: DIR holds exactly frames 1..COUNT (COUNT 0: any
# number), each a 1920x1080 8-bit palette PNG with the six palette entries
# and nothing but IHDR, PLTE, IDAT and IEND; frames 1..120 are black.
check_frames() {
    python3 - "$@" <<'PY'
import os, struct, sys, zlib
directory, count = sys.argv[1], int(sys.argv[2])
names = sorted(os.listdir(directory))
if names != ["frame-%06d.png" % i for i in range(1, len(names) + 1)] or count and len(names) != count:
    sys.exit("%d files, expected %d: %s" % (len(names), count, names[:3]))
for i, name in enumerate(names, 1):
    data = open(os.path.join(directory, name), "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", name
    pos, chunks = 8, {}
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body, crc = data[pos + 8:pos + 8 + length], data[pos + 8 + length:pos + 12 + length]
        assert struct.pack(">I", zlib.crc32(kind + body)) == crc, name
        chunks[kind] = chunks.get(kind, b"") + body
        pos += 12 + length
    assert set(chunks) == {b"IHDR", b"PLTE", b"IDAT", b"IEND"}, (name, list(chunks))
    assert struct.unpack(">IIBBBBB", chunks[b"IHDR"]) == (1920, 1080, 8, 3, 0, 0, 0), name
    assert chunks[b"PLTE"] == bytes([0,0,0, 255,255,255, 89,89,89, 255,0,0, 0,255,0, 0,0,255]), name
    raw = zlib.decompress(chunks[b"IDAT"])
    assert len(raw) == 1080 * 1921 and (i > 120 or raw.count(0) == len(raw)), name
PY
}

# expected_frames TOTAL START60: frames a run from START = START60 / 60 s
# renders, from the announced frame total ceil((duration + 6) * 60): black
# lead-in to frame 120, blackout from the first frame with song time at
# the track's end, the last frame 4 s (240 frames) later.
expected_frames() {
    local blackout=$(( $1 - 360 - ($2 - 120) ))
    [ "$blackout" -lt 120 ] && blackout=120
    local frames=$(( blackout + 241 ))
    echo $(( frames < $1 ? frames : $1 ))
}

# --- Names refused before anything is created.
run refused_record --record "$WORK/my take.mkv"
expect_status 1 refused_record
expect_line refused_record "Recording filename contains unsupported characters."
expect_line refused_record "Could not start ffmpeg recording."
for name in '$HOME' '~frames'; do
    run refused_dir --export-png-frames "$WORK/$name"
    expect_status 1 refused_dir
    expect_line refused_dir "PNG export directory contains unsupported characters."
    expect_line refused_dir "Could not start indexed PNG export."
    expect_absent refused_dir "$WORK/$name"
done
run refused_both --record "$WORK/ok.mkv" --export-indexed-png "$WORK/my frames"
expect_status 1 refused_both
expect_absent refused_both "$WORK/ok.mkv"
grep -q "^Recording" "$WORK/refused_both.err" && fail "refused_both: the encoder was started"
run too_long --export-indexed-png "$WORK/$(printf 'd%.0s' $(seq 1100))"
expect_status 1 too_long
expect_line too_long "Could not start indexed PNG export."

# --- Directories that cannot be made or used.
touch "$WORK/plain-file"
for dir in "$WORK/plain-file/sub" "$WORK/plain-file" "$WORK/missing/sub"; do
    run bad_dir --export-indexed-png "$dir"
    expect_status 1 bad_dir
    expect_line bad_dir "Could not create PNG export directory: $dir"
    expect_line bad_dir "Could not start indexed PNG export."
done

# --- No encoder on the search path.
mkdir "$WORK/empty-bin"
PATH="$WORK/empty-bin" "$BIN" --record "$WORK/none.mkv" 2> "$WORK/no_ffmpeg.err"
STATUS=$?
expect_status 1 no_ffmpeg
expect_line no_ffmpeg "Could not start ffmpeg recording."
expect_absent no_ffmpeg "$WORK/none.mkv"

# --- PNG export from 245 s: the run ends by the blackout rule.
run export_a --export-indexed-png "$WORK/a" --start 245 --seed 7
expect_status 0 export_a
TOTAL=$(sed -n 's/^Exporting \([0-9]*\) indexed PNG frames to .*/\1/p' "$WORK/export_a.err")
expect_line export_a "Exporting $TOTAL indexed PNG frames to $WORK/a"
EXPECTED=$(expected_frames "$TOTAL" $((245 * 60)))
check_frames "$WORK/a" "$EXPECTED" || fail "export_a: frame files"

# --- Recording and export together from 251.5 s.
run record_c --record "$WORK/c.mkv" --export-indexed-png "$WORK/c" --start 251.5 --seed 7
expect_status 0 record_c
expect_line record_c "Recording $TOTAL frames to $WORK/c.mkv"
RENDERED=$(expected_frames "$TOTAL" $((2515 * 6)))
check_frames "$WORK/c" "$RENDERED" || fail "record_c: frame files"

# The same seed and start again, exporting alone into an existing
# directory: byte-identical files.
mkdir "$WORK/b" && echo stale > "$WORK/b/frame-000001.png"
run export_b --export-png-frames "$WORK/b" --start 251.5 --seed 7
expect_status 0 export_b
diff -r -q "$WORK/c" "$WORK/b" > /dev/null || fail "export_b: files differ from the first run"

STREAMS=$(ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,r_frame_rate -of csv=p=0 "$WORK/c.mkv")
[ "$STREAMS" = "$(printf 'ffv1,video,1920,1080,60/1\npcm_s16le,audio,0/0')" ] || fail "record_c: streams $STREAMS"
VIDEO_FRAMES=$(ffprobe -v error -count_packets -select_streams v -show_entries stream=nb_read_packets -of csv=p=0 "$WORK/c.mkv")
[ "$VIDEO_FRAMES" = "$RENDERED" ] || fail "record_c: $VIDEO_FRAMES video frames, expected $RENDERED"
LENGTH=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$WORK/c.mkv")
python3 -c "import sys; sys.exit(abs($LENGTH - $RENDERED / 60.0) > 0.002)" || fail "record_c: length $LENGTH s"
# --- A disk that fills up part-way: a clear message, status 1, and only
# complete frames left behind.
mkdir "$WORK/small"
if mount -t tmpfs -o size=64k tmpfs "$WORK/small" 2> /dev/null; then
    SMALL_MOUNTED=1
    run full_disk --export-indexed-png "$WORK/small/f" --start 300
    expect_status 1 full_disk
    grep -q "^Could not write PNG frame $WORK/small/f/frame-[0-9]*\.png: No space left on device$" "$WORK/full_disk.err" ||
        fail "full_disk: no message naming the frame: $(cat "$WORK/full_disk.err")"
    check_frames "$WORK/small/f" 0 || fail "full_disk: frame files"
else
    # No mount here: a file size limit makes the first frame fail instead.
    (ulimit -f 1; "$BIN" --export-indexed-png "$WORK/limited" --start 300 2> "$WORK/full_disk.err")
    STATUS=$?
    expect_status 1 full_disk
    grep -q "^Could not write PNG frame $WORK/limited/frame-000001\.png: File too large$" "$WORK/full_disk.err" ||
        fail "full_disk: no message naming the frame: $(cat "$WORK/full_disk.err")"
    [ -z "$(ls -A "$WORK/limited")" ] || fail "full_disk: files left: $(ls "$WORK/limited")"
fi

[ "$FAILED" = 0 ] && echo "offline render tests passed"
exit "$FAILED"
