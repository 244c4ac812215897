#!/bin/bash
# Faults a user or the system can cause in offline runs: nothing destroyed,
# no file written through a link, signals ending a render like Escape, a
# stuck or lying encoder, ignored arguments named, no display. Runs headless
# in a scratch copy of the repository's track (nothing here can touch the
# real one).
# Usage: bash tests/robustness_test.sh path/to/ostrel
set -u
BIN=$(realpath "$1")
TRACK=$(realpath src/beat3-140bpm.mp3)
WORK=$(mktemp -d /tmp/ostrel-robust-XXXXXX)
trap 'rm -rf "$WORK"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=offscreen
FAILED=0
fail() { echo "FAIL: $*"; FAILED=1; }
mkdir -p "$WORK/root/src" "$WORK/fake"
cp "$TRACK" "$WORK/root/src/"
cd "$WORK/root" || exit 1
SUM=$(md5sum < src/beat3-140bpm.mp3)
partials() { find "$WORK/root" -name '*.partial-*' | head -3; }
# A stand-in encoder on the search path: fake NAME SCRIPT.
# Waits (at most a minute) until the run has started recording.
wait_for_recording() { for _ in $(seq 600); do grep -q "^Recording " "$1" && return; sleep 0.1; done; }
fake() { mkdir -p "$WORK/fake/$1"; printf '#!/bin/bash\n%s\n' "$2" > "$WORK/fake/$1/ffmpeg"; chmod +x "$WORK/fake/$1/ffmpeg"; }

# --- Recording never destroys: not the track, not through a link to it, and
# a failed recording leaves the earlier file of that name as it was.
ln -s src/beat3-140bpm.mp3 link.mkv
for name in ./src/beat3-140bpm.mp3 src/../src/beat3-140bpm.mp3 link.mkv; do
    "$BIN" --record "$name" --start 250 2> err.txt
    [ $? = 1 ] && grep -q "is the music track" err.txt || fail "record over the track as $name: $(<err.txt)"
    grep -q "^Preparing" err.txt && fail "record over the track as $name: checked only after the seek"
done
[ "$(md5sum < src/beat3-140bpm.mp3)" = "$SUM" ] || fail "the track was changed"
echo "earlier take" > take.mkv
fake fails 'head -c 1000000 > /dev/null; echo "encoder broke" >&2; exit 1'
PATH="$WORK/fake/fails:$PATH" "$BIN" --record take.mkv --start 250 2> err.txt
[ $? = 1 ] && grep -q "an earlier file of that name is untouched" err.txt || fail "failed recording: $(<err.txt)"
grep -qx "encoder broke" err.txt || fail "failed recording: the encoder's own message was not passed on"
[ "$(cat take.mkv)" = "earlier take" ] || fail "failed recording: the earlier take was changed"
[ -z "$(partials)" ] || fail "failed recording left $(partials)"
fake silent 'cat > /dev/null; exit 0'
PATH="$WORK/fake/silent:$PATH" "$BIN" --record take.mkv --start 255 2> err.txt
[ $? = 1 ] && grep -q "finished without writing the recording" err.txt || fail "encoder without a file: $(<err.txt)"
[ "$(cat take.mkv)" = "earlier take" ] && [ -z "$(partials)" ] || fail "encoder without a file: files changed"
# A file size limit part-way: a message, status 1, the earlier take kept.
(ulimit -f 2000; exec "$BIN" --record take.mkv --start 250 2> err.txt)
[ $? = 1 ] && [ "$(cat take.mkv)" = "earlier take" ] && [ -z "$(partials)" ] || fail "file size limit: $(<err.txt)"

# --- A complete recording replaces the earlier take and prints only its
# own lines (no encoder queue warning).
"$BIN" --record take.mkv --start 255 2> err.txt || fail "clean recording: $(<err.txt)"
[ "$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 take.mkv)" = 361 ] ||
    fail "clean recording: wrong frame count"
grep -v -e "^Recording " -e "^frame " -e "^Preparing " err.txt && fail "clean recording printed more than its own lines"

# --- Signals to the program or to its whole process group end a render like
# Escape: status 0, the file kept and valid, its sound no longer than its
# picture.
for signal in INT TERM HUP; do
    rm -f sig.mkv
    setsid "$BIN" --record sig.mkv --start 240 2> err.txt &
    pid=$!
    wait_for_recording err.txt
    sleep 4  # past the 2 s lead-in, so there is usually sound to cut
    kill -$signal -- -$pid
    wait $pid
    status=$?
    [ $status = 0 ] || fail "SIG$signal: status $status: $(<err.txt)"
    grep -q "incomplete" err.txt && fail "SIG$signal: called the file incomplete: $(<err.txt)"
    video=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 sig.mkv 2>/dev/null)
    audio=$(ffprobe -v error -count_packets -select_streams a:0 -show_entries stream=nb_read_packets -of csv=p=0 sig.mkv 2>/dev/null)
    frames=$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 sig.mkv 2>/dev/null)
    last_audio=$(ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,duration_time -of csv=p=0 sig.mkv 2>/dev/null | tail -1 |
        awk -F, '{ print $1 + $2 }')
    # No sound at all is right too when the stop came within the lead-in.
    python3 -c "import sys; sys.exit(not (0 < $frames < 1081 and ${last_audio:-0} <= $frames / 60 + 0.05))" ||
        fail "SIG$signal: $frames frames, sound to ${last_audio:-?} s (${audio:-?} packets), video ${video:-?} s"
    [ -z "$(partials)" ] || fail "SIG$signal: left $(partials)"
done

# An encoder that stops reading: a signal still ends the program within a
# second, as a failure, and no partial file is left.
fake stuck 'exec sleep 600'
PATH="$WORK/fake/stuck:$PATH" setsid "$BIN" --record stuck.mkv --start 250 2> err.txt &
pid=$!
wait_for_recording err.txt
sleep 1
start=$EPOCHREALTIME
kill -TERM $pid
wait $pid
status=$?
elapsed=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')
[ $status = 1 ] && grep -q "stopped reading" err.txt || fail "stuck encoder: status $status: $(<err.txt)"
awk -v e="$elapsed" 'BEGIN { exit !(e < 1.0) }' || fail "stuck encoder: ended $elapsed s after the signal"
[ ! -e stuck.mkv ] && [ -z "$(partials)" ] || fail "stuck encoder: files left"
pkill -f "sleep 600"

# --- A planted link at a temporary frame name is never written through.
mkdir frames
echo "victim" > victim.txt
ln -s "$WORK/root/victim.txt" frames/frame-000003.png.tmp
"$BIN" --export-png-frames frames --start 255 --frames 1-5 2> err.txt || fail "planted link: $(<err.txt)"
[ "$(cat victim.txt)" = "victim" ] || fail "planted link: the target was overwritten"
[ -f frames/frame-000003.png ] && [ ! -L frames/frame-000003.png ] && [ ! -e frames/frame-000003.png.tmp ] ||
    fail "planted link: frame 3 not written as a file"

# --- A whole export into a directory with frames of a longer run names them;
# a closed standard error does not kill it.
touch frames/frame-000362.png frames/frame-000363.png
"$BIN" --export-png-frames frames --start 255 2> err.txt || fail "stale frames: $(<err.txt)"
grep -q "^frames still holds 2 frame files after frame-000361.png" err.txt || fail "stale frames: $(<err.txt)"
rm -rf frames
"$BIN" --export-png-frames frames --start 255 2>&-
[ $? = 0 ] && [ "$(ls frames | wc -l)" = 361 ] || fail "closed standard error: status or frames"

# --- A cut-off track is measured by the audio it holds.
head -c 1000000 src/beat3-140bpm.mp3 > short.mp3 && mv short.mp3 src/beat3-140bpm.mp3
[ "$("$BIN" --run-info | head -1)" = "frames 14246" ] || fail "cut-off track: $("$BIN" --run-info | head -1)"
cp "$TRACK" src/

# --- What was ignored is named; --version; --option=value; no display.
env -u SDL_VIDEODRIVER "$BIN" --strat 245 --seed=12 2> err.txt
[ $? = 1 ] || fail "no display: status"
grep -qx 'Ignoring unknown option "--strat".' err.txt || fail "unknown option: $(<err.txt)"
grep -q "^No display to show the piece on" err.txt || fail "no display: $(<err.txt)"
"$BIN" --record -take.mkv --export-png-frames "bad name" 2> err.txt
grep -q '^Ignoring "-take.mkv" as the value of --record' err.txt && ! grep -q 'unknown option "-take.mkv"' err.txt ||
    fail "value like an option: $(<err.txt)"
"$BIN" --seed 1 --record x.mkv --export-png-frames "bad name" 2> err.txt
grep -q '^Ignoring "--record": it must be the first argument; this run does not record.' err.txt ||
    fail "--record not first: $(<err.txt)"
[ "$("$BIN" --version)" = "ostrel $(sed -n 's/^project(ostrel VERSION \([0-9.]*\).*/\1/p' "$(dirname "$TRACK")/../CMakeLists.txt")" ] ||
    fail "--version: $("$BIN" --version)"
"$BIN" --record=eq.mkv --start=255 --frames=1-3 2> err.txt || fail "= forms: $(<err.txt)"
[ "$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 eq.mkv)" = 3 ] ||
    fail "= forms: eq.mkv"

[ "$(md5sum < "$TRACK")" = "$SUM" ] || fail "the repository's track changed"
[ "$FAILED" = 0 ] && echo "robustness tests passed"
exit "$FAILED"
