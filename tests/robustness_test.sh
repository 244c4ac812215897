#!/bin/bash
# Faults a user or the system can cause in offline runs: nothing destroyed,
# no file written through a link, signals ending a render like Escape, a
# stuck or lying encoder, names checked before the seek, ignored arguments
# named, no display. Runs headless in a scratch copy of the repository's
# track (nothing here can touch the real one). Runs that need no late part
# of the piece start at 1 s: a start past 164 s steps the whole graph first.
# Usage: bash tests/robustness_test.sh path/to/ostrel
source "$(dirname "$0")/support/script_helpers.sh" robust "$1"
export SDL_VIDEODRIVER=offscreen
scratch_root
REAL_FFMPEG=$(command -v ffmpeg)
SUM=$(md5sum < src/beat3-140bpm.mp3)
partials() { find "$WORK/root" -name '*.partial-*' | head -3; }
mkdir -p "$WORK/fake"
# A stand-in encoder on the search path: fake NAME SCRIPT.
# Waits (at most a minute) until the run has started recording.
wait_for_recording() { for _ in $(seq 600); do grep -q "^Recording " "$1" && return; sleep 0.1; done; }
# Waits (at most a minute) until process PID has written FRAMES frames to
# its encoder (6,220,800 bytes of RGB each).
wait_for_frames() {
    local written
    for _ in $(seq 1200); do
        written=$(sed -n 's/^wchar: //p' "/proc/$1/io" 2> /dev/null) || return
        [ -n "$written" ] && [ "$written" -ge $(($2 * 6220800)) ] && return
        sleep 0.05
    done
}
fake() { fake_program "$WORK/fake/$1" ffmpeg "$2"; }

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
PATH="$WORK/fake/fails:$PATH" "$BIN" --record take.mkv --start 1 2> err.txt
[ $? = 1 ] && grep -q "an earlier file of that name is untouched" err.txt || fail "failed recording: $(<err.txt)"
grep -qx "encoder broke" err.txt || fail "failed recording: the encoder's own message was not passed on"
[ "$(cat take.mkv)" = "earlier take" ] || fail "failed recording: the earlier take was changed"
[ -z "$(partials)" ] || fail "failed recording left $(partials)"
fake silent 'cat > /dev/null; exit 0'
PATH="$WORK/fake/silent:$PATH" "$BIN" --record take.mkv --start 1 --frames 1-30 2> err.txt
[ $? = 1 ] && grep -q "finished without writing the recording" err.txt || fail "encoder without a file: $(<err.txt)"
[ "$(cat take.mkv)" = "earlier take" ] && [ -z "$(partials)" ] || fail "encoder without a file: files changed"
# A file size limit part-way: a message, status 1, the earlier take kept.
(ulimit -f 300; exec "$BIN" --record take.mkv --start 1 2> err.txt)
[ $? = 1 ] && [ "$(cat take.mkv)" = "earlier take" ] && [ -z "$(partials)" ] || fail "file size limit: $(<err.txt)"

# --- A complete recording replaces the earlier take and prints only its
# own lines (no encoder queue warning).
"$BIN" --record take.mkv --start 1 --frames 1-30 2> err.txt || fail "clean recording: $(<err.txt)"
[ "$(packets take.mkv)" = 30 ] ||
    fail "clean recording: wrong frame count"
grep -v -e "^Recording " -e "^frame " -e "^Preparing " err.txt && fail "clean recording printed more than its own lines"

# --- Signals to the program or to its whole process group end a render like
# Escape, with status 128 + the signal's number: the file kept and valid,
# its sound no longer than its picture. SIGTERM comes past the 2 s lead-in (120 frames), so there is
# sound to cut: its run records from frame 111 (every frame recorded costs
# time; the black lead-in before it is skipped). The others stop a whole
# run.
declare -A signal_status=([INT]=130 [TERM]=143 [HUP]=129)
for signal in INT TERM HUP; do
    rm -f sig.mkv
    range=() total=15421 least=30 sound=0
    [ $signal = TERM ] && range=(--frames 111-400) total=290 least=15 sound=1
    setsid "$BIN" --record sig.mkv --start 1 "${range[@]}" 2> err.txt &
    pid=$!
    wait_for_frames $pid $least
    kill -$signal -- -$pid
    wait $pid
    status=$?
    [ $status = "${signal_status[$signal]}" ] &&
        grep -q "^The render was stopped after [0-9]* of $total frames; sig.mkv holds" err.txt ||
        fail "SIG$signal: status $status: $(<err.txt)"
    grep -q "incomplete" err.txt && fail "SIG$signal: called the file incomplete: $(<err.txt)"
    video=$(ffprobe -v error -select_streams v:0 -show_entries stream=duration -of csv=p=0 sig.mkv 2>/dev/null)
    audio=$(packets sig.mkv a:0)
    frames=$(packets sig.mkv)
    last_audio=$(ffprobe -v error -select_streams a:0 -show_entries packet=pts_time,duration_time -of csv=p=0 sig.mkv 2>/dev/null | tail -1 |
        awk -F, '{ print $1 + $2 }')
    python3 -c "import sys; sys.exit(not ($least <= $frames < $total and ($sound == 0 or ${last_audio:-0} > 0) and ${last_audio:-0} <= $frames / 60 + 0.05))" ||
        fail "SIG$signal: $frames frames, sound to ${last_audio:-?} s (${audio:-?} packets), video ${video:-?} s"
    [ -z "$(partials)" ] || fail "SIG$signal: left $(partials)"
done

# An encoder that stops reading: a signal still ends the program within a
# second, as a failure, and no partial file is left.
fake stuck 'exec sleep 600'
PATH="$WORK/fake/stuck:$PATH" setsid "$BIN" --record stuck.mkv --start 1 2> err.txt &
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
# A slow encoder (a loaded machine) is no stuck one: here it takes a frame a
# second, and a signal while it takes one keeps the recording.
fake slow "python3 -c 'import sys, time
while chunk := sys.stdin.buffer.read(65536): sys.stdout.buffer.write(chunk); sys.stdout.flush(); time.sleep(0.01)' |
$REAL_FFMPEG \"\$@\""
PATH="$WORK/fake/slow:$PATH" setsid "$BIN" --record slow.mkv --start 1 2> err.txt &
pid=$!
wait_for_frames $pid 2
kill -TERM $pid
wait $pid
[ $? = 143 ] && [ "$(packets slow.mkv)" -ge 2 ] && grep -q "^The render was stopped after" err.txt ||
    fail "slow encoder: $(<err.txt)"

# --- A planted link at a temporary frame name is never written through.
mkdir frames
echo "victim" > victim.txt
ln -s "$WORK/root/victim.txt" frames/frame-000003.png.tmp
"$BIN" --export-png-frames frames --start 1 --frames 1-5 2> err.txt || fail "planted link: $(<err.txt)"
[ "$(cat victim.txt)" = "victim" ] || fail "planted link: the target was overwritten"
[ -f frames/frame-000003.png ] && [ ! -L frames/frame-000003.png ] || fail "planted link: frame 3 not written as a file"
[ -z "$(find frames -name '*.tmp' ! -name frame-000003.png.tmp)" ] || fail "temporary frame files left"

# --- A whole export into a directory with frames of a longer run names them;
# a closed standard error does not kill it.
touch frames/frame-000362.png frames/frame-000363.png
"$BIN" --export-png-frames frames --start 255 2> err.txt || fail "stale frames: $(<err.txt)"
grep -q "^frames still holds 2 frame files after frame-000361.png" err.txt || fail "stale frames: $(<err.txt)"
rm -rf frames
"$BIN" --export-png-frames frames --start 1 --frames 1-30 2>&-
[ $? = 0 ] && [ "$(ls frames | wc -l)" = 30 ] || fail "closed standard error: status or frames"

# --- A cut-off track is measured by the audio it holds.
head -c 1000000 src/beat3-140bpm.mp3 > short.mp3 && mv short.mp3 src/beat3-140bpm.mp3
[ "$("$BIN" --run-info 2> err.txt | head -1)" = "frames 14246" ] && grep -q "is cut short: it holds 41.64 s" err.txt ||
    fail "cut-off track: $("$BIN" --run-info 2>&1 | head -2)"
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
"$BIN" --record=eq.mkv --start=1 --frames=1-3 2> err.txt || fail "= forms: $(<err.txt)"
[ "$(packets eq.mkv)" = 3 ] || fail "= forms: eq.mkv"

# --- Names and folders are checked before the seek, with the reason; a long
# legal name (244 characters) records.
mkdir dir.mkv
for case in "dir.mkv|is a directory" "take|needs the extension .mkv, .avi, .mov or .nut"; do
    "$BIN" --record "${case%%|*}" --start 250 2> err.txt
    [ $? = 1 ] && grep -q "${case#*|}" err.txt && ! grep -q "^Preparing" err.txt || fail "${case%%|*}: $(<err.txt)"
done
"$BIN" --export-png-frames missing/frames --start 250 2> err.txt
[ $? = 1 ] && grep -qx "Could not create PNG export directory: missing/frames: No such file or directory" err.txt &&
    ! grep -q "^Preparing" err.txt || fail "unmakeable export folder: $(<err.txt)"
long=$(printf 'a%.0s' $(seq 240)).mkv
"$BIN" --record "$long" --start 1 --frames 1-3 2> err.txt && [ "$(packets "$long")" = 3 ] ||
    fail "244-character name: $(<err.txt)"

# --- The counts announced are the frames the run renders; a recording gets a
# new file's permissions under the umask; output lost on standard output is
# a failure.
fake exits 'exit 1'
PATH="$WORK/fake/exits:$PATH" "$BIN" --record counted.mkv --start 252 2> err.txt
grep -q "^Recording 361 frames to counted.mkv" err.txt || fail "recording count: $(<err.txt)"
mkdir -p counted/frame-000001.png
"$BIN" --export-png-frames counted --start 252 2> err.txt
grep -q "^Exporting 361 indexed PNG frames to counted" err.txt || fail "export count: $(<err.txt)"
(umask 027; "$BIN" --record mode.mkv --start 1 --frames 1-3 2> /dev/null)
[ "$(stat -c %a mode.mkv)" = 640 ] || fail "recording permissions: $(stat -c %a mode.mkv)"
for option in --help --version --run-info; do
    "$BIN" $option > /dev/full 2> err.txt
    [ $? = 1 ] && grep -q "^Could not write to standard output" err.txt || fail "$option into /dev/full: $(<err.txt)"
    "$BIN" $option >&- 2> err.txt
    [ $? = 1 ] && grep -q "^Could not write to standard output: it is closed" err.txt || fail "$option closed: $(<err.txt)"
done
# One name for both outputs, and a track that is a FIFO, are refused before
# anything is made (a FIFO would block the open for ever).
"$BIN" --record same.mkv --export-png-frames same.mkv --start 250 2> err.txt
[ $? = 1 ] && [ ! -e same.mkv ] && grep -q "cannot both be same.mkv" err.txt || fail "one name for both: $(<err.txt)"
rm src/beat3-140bpm.mp3 && mkfifo src/beat3-140bpm.mp3
timeout 20 "$BIN" --export-png-frames fifo --start 250 2> err.txt
[ $? = 1 ] && [ ! -e fifo ] && grep -q "is not a regular file" err.txt || fail "FIFO track: $(<err.txt)"
rm src/beat3-140bpm.mp3 && cp "$TRACK" src/

# --- A failed rerun removes no finished frame; two exports into one folder
# at once both succeed.
"$BIN" --export-png-frames rerun --start 1 --frames 1-41 2> /dev/null
rm rerun/frame-000010.png && mkdir rerun/frame-000010.png
for try in 1 2 3; do
    "$BIN" --export-png-frames rerun --start 1 --frames 1-41 2> err.txt
    [ $? = 1 ] && [ "$(find rerun -name 'frame-*.png' -type f | wc -l)" = 40 ] || fail "failed rerun $try: $(ls rerun | wc -l) files"
done
"$BIN" --export-png-frames both --start 1 --frames 100-160 2> both1.txt &
"$BIN" --export-png-frames both --start 1 --frames 100-160 2> both2.txt
status=$?
wait $! && [ $status = 0 ] || fail "two exports at once: $(cat both1.txt both2.txt)"
[ "$(ls both | wc -l)" = 61 ] || fail "two exports at once: $(ls both | head -3)"

# --- A further signal ends the sound-cutting copy after a stop.
fake hangs_cutting "case \"\$*\" in *' -c copy '*) exec sleep 600 ;; esac; exec $REAL_FFMPEG \"\$@\""
PATH="$WORK/fake/hangs_cutting:$PATH" setsid "$BIN" --record cut.mkv --start 1 --frames 111-400 2> err.txt &
pid=$!
wait_for_frames $pid 15
kill -TERM $pid
for _ in $(seq 50); do pgrep -f "sleep 600" > /dev/null && break; sleep 0.1; done
kill -TERM $pid
for _ in $(seq 50); do kill -0 $pid 2> /dev/null || break; sleep 0.1; done
kill -0 $pid 2> /dev/null && { fail "sound cutting: still running after a second signal"; kill -KILL $pid; }
wait $pid
[ $? = 143 ] && [ -s cut.mkv ] && grep -q "Could not cut the sound" err.txt || fail "sound cutting: $(<err.txt)"
pkill -f "sleep 600"

[ "$(md5sum < "$TRACK")" = "$SUM" ] || fail "the repository's track changed"
finish
