#!/bin/bash
# Whole offline runs of the program, headless, from the repository root. The
# long recording runs in the background while the short checks run.
# WHOLE_RECORDING=0 leaves the recording out of that run (the sanitizer
# build: ffmpeg's 75 ms of CPU a frame checks nothing of the piece's there,
# and its offline_output_test records and exports together).
# Usage: bash tests/offline_render_test.sh path/to/ostrel
source "$(dirname "$0")/support/script_helpers.sh" render "$1"
MOUNTED=0 RECORDING=
CLEANUP+=('[ -n "$RECORDING" ] && kill $RECORDING' '[ "$MOUNTED" = 1 ] && umount "$WORK/small"')
expect_status() { [ "$3" = "$2" ] || fail "$1: exit status $3, expected $2: $(<"$WORK/$1.err")"; }
# run NAME STATUS ARGS...: runs the program (messages in $WORK/NAME.err).
run() {
    local name=$1 want=$2; shift 2
    "$BIN" "$@" 2> "$WORK/$name.err"
    expect_status "$name" "$want" $?
}
# expect_lines NAME LINE...: every LINE is a whole line of NAME's messages.
expect_lines() {
    local name=$1; shift
    for line; do grep -qxF -- "$line" "$WORK/$name.err" || fail "$name: no line '$line': $(<"$WORK/$name.err")"; done
}
absent() { for path; do [ ! -e "$path" ] || fail "$path was created"; done; }

# check_frames DIR COUNT: DIR holds exactly frames 1..COUNT (0: any number),
# each a 1920x1080 8-bit palette PNG of the six colours with only IHDR,
# PLTE, IDAT and IEND; frames 1..120 are black. Equal files are parsed once.
check_frames() {
    python3 - "$@" <<'PY'
import os, struct, sys, zlib
directory, count = sys.argv[1], int(sys.argv[2])
names = sorted(os.listdir(directory))
# A run cut short (a full disk) may leave any complete frames: the encoders
# finish theirs out of order; a whole run, exactly its frames.
expected = ["frame-%06d.png" % i for i in range(1, len(names) + 1)]
if (names != expected if count else any(not n.startswith("frame-") or not n.endswith(".png") or len(n) != 16
                                       for n in names)) or count and len(names) != count:
    sys.exit("%d files, expected %d: %s" % (len(names), count, names[:3]))
def black(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, chunks = 8, {}
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunks[kind], pos = chunks.get(kind, b"") + data[pos + 8:pos + 8 + length], pos + 12 + length
    assert set(chunks) == {b"IHDR", b"PLTE", b"IDAT", b"IEND"}, list(chunks)
    assert struct.unpack(">IIBBBBB", chunks[b"IHDR"]) == (1920, 1080, 8, 3, 0, 0, 0)
    assert chunks[b"PLTE"] == bytes([0,0,0, 255,255,255, 89,89,89, 255,0,0, 0,255,0, 0,0,255])
    raw = zlib.decompress(chunks[b"IDAT"])
    assert len(raw) == 1080 * 1921
    return raw.count(0) == len(raw)
seen = {}
for i, name in enumerate(names, 1):
    data = open(os.path.join(directory, name), "rb").read()
    try: seen[data] = seen[data] if data in seen else black(data)
    except Exception as e: sys.exit("%s: %r" % (name, e))
    if i <= 120 and not seen[data]: sys.exit(name + " is not black")
PY
}

recording=(--record "$WORK/c.mkv")
[ "${WHOLE_RECORDING:-1}" = 0 ] && recording=()
"$BIN" "${recording[@]}" --export-indexed-png "$WORK/c" --start 251.5 --seed 7 2> "$WORK/record.err" &
RECORDING=$!

# --- Names refused before anything is created.
run my_take 1 --record "$WORK/my take.mkv"
expect_lines my_take "Recording filename contains unsupported characters." "Could not start ffmpeg recording."
run dollar 1 --record "$WORK/ok.mkv" --export-indexed-png "$WORK/\$HOME"
run tilde 1 --export-png-frames "$WORK/~frames"
for name in dollar tilde; do
    expect_lines $name "PNG export directory contains unsupported characters." "Could not start indexed PNG export."
done
grep -q "^Recording" "$WORK/dollar.err" && fail "dollar: the encoder was started"
absent "$WORK/my take.mkv" "$WORK/ok.mkv" "$WORK/\$HOME" "$WORK/~frames"
run too_long 1 --export-indexed-png "$WORK/$(printf 'd%.0s' {1..1100})"
expect_lines too_long "PNG export directory name is too long." "Could not start indexed PNG export."

# --- Directories that cannot be made or used; a missing or failing encoder.
touch "$WORK/plain-file"
for case in "plain-file|Not a directory" "missing/sub|No such file or directory"; do
    run bad_dir 1 --export-indexed-png "$WORK/${case%%|*}"
    expect_lines bad_dir "Could not create PNG export directory: $WORK/${case%%|*}: ${case#*|}" "Could not start indexed PNG export."
done
mkdir "$WORK/empty-bin"
PATH="$WORK/empty-bin" run no_ffmpeg 1 --record "$WORK/none.mkv"
expect_lines no_ffmpeg "ffmpeg was not found on the search path." "Could not start ffmpeg recording."
absent "$WORK/none.mkv"
# A directory that cannot take the recording: status 1 before the seek.
run no_output 1 --record /nonexistent-dir/take.mkv --start 300
expect_lines no_output "Cannot write the recording into /nonexistent-dir/: No such file or directory" \
    "Could not start ffmpeg recording."
grep -q "^Preparing" "$WORK/no_output.err" && fail "no_output: checked only after the seek"

# --- A disk that fills up part-way (or, without a mount, a file size limit
# on the first frame): a clear message, status 1, only complete frames left.
mkdir "$WORK/small"
if mount -t tmpfs -o size=64k tmpfs "$WORK/small" 2> /dev/null; then
    MOUNTED=1 LIMIT=unlimited REASON="No space left on device"
else
    LIMIT=1 REASON="File too large"
fi
(ulimit -f $LIMIT; exec "$BIN" --export-indexed-png "$WORK/small/f" --start 300 2> "$WORK/full_disk.err")
expect_status full_disk 1 $?
grep -q "^Could not write PNG frame $WORK/small/f/frame-[0-9]*\.png: $REASON$" "$WORK/full_disk.err" ||
    fail "full_disk: no message naming the frame: $(<"$WORK/full_disk.err")"
check_frames "$WORK/small/f" 0 || fail "full_disk: frame files"

# --- Recording and export together from 251.5 s; the same run exporting
# alone into an existing directory gives byte-identical files.
mkdir "$WORK/b" && echo stale > "$WORK/b/frame-000001.png"
run export_b 0 --export-png-frames "$WORK/b" --start 251.5 --seed 7
wait $RECORDING
expect_status record 0 $?
RECORDING=
# Both announce the frames the run renders: ceil((duration + 6) * 60) less
# the frames before 60 S = 15090, where the blackout starts at frame
# 120 + 60 * (duration - S) and ends 240 frames later.
TOTAL=$("$BIN" --run-info | sed -n 's/^frames //p')
RENDERED=$(( TOTAL - 360 - (15090 - 120) + 241 ))
expect_lines record "Exporting $RENDERED indexed PNG frames to $WORK/c"
check_frames "$WORK/c" "$RENDERED" || fail "record: frame files"
diff -r -q "$WORK/c" "$WORK/b" > /dev/null || fail "export_b: files differ from the recorded run's"
[ ${#recording[@]} = 0 ] && finish
expect_lines record "Recording $RENDERED frames to $WORK/c.mkv"
mapfile -t PROBE < <(ffprobe -v error -count_packets -show_entries \
    stream=codec_name,codec_type,width,height,r_frame_rate,nb_read_packets:format=duration -of csv=p=0 "$WORK/c.mkv")
[ "${#PROBE[@]}" = 3 ] && [ "${PROBE[0]}" = "ffv1,video,1920,1080,60/1,$RENDERED" ] &&
    [ "${PROBE[1]%,*}" = "pcm_s16le,audio,0/0" ] || fail "record: streams ${PROBE[*]}"
python3 -c "import sys; sys.exit(abs(${PROBE[2]:-0} - $RENDERED / 60.0) > 0.002)" || fail "record: length ${PROBE[2]:-} s"

finish
