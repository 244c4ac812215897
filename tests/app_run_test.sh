#!/usr/bin/env bash
# Whole-program runs of the real-time executable: the help text, start-up
# failures, and, on a virtual X display, two runs ended with Escape: a silent
# one (no music beside the executable) through its lead-in into the
# timeline, and one that plays the committed track.
#
#   usage (from the repository root): bash tests/app_run_test.sh path/to/ostrel
#
# The display part needs xvfb-run and xdotool (and ffmpeg for screenshots);
# without them it is skipped with a message.
set -uo pipefail
# Counters are kept by the last command of a pipeline (report).
shopt -s lastpipe

if [ "${1:-}" = "--under-display" ]; then
  under_display=1
  shift
else
  under_display=0
fi

exe="${1:?usage: bash tests/app_run_test.sh path/to/ostrel}"
if [ ! -x "$exe" ]; then
  echo "FAIL: $exe is not an executable" >&2
  echo "0 passed, 1 failed"
  exit 1
fi
exe="$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")"

music_message="Music playback unavailable; continuing silently."

pass() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; }
skip() { echo "skip: $1"; }

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
at_least() { awk -v x="$1" -v y="$2" 'BEGIN { exit !(x >= y) }'; }

# Waits up to $2 seconds for file $1 to contain the line $3.
wait_for_line() {
  local deadline=$(( $(date +%s) + $2 ))
  while [ "$(date +%s)" -le "$deadline" ]; do
    grep -qxF "$3" "$1" 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

# Number of lit pixels on the display, from one grab of the screen.
lit_pixels() {
  ffmpeg -v error -f x11grab -draw_mouse 0 -video_size 1920x1080 -i "$DISPLAY" \
    -frames:v 1 -f rawvideo -pix_fmt gray - 2>/dev/null | tr -d '\000' | wc -c
}

# Starts ./ostrel in the current directory with silent audio output and
# waits for its window; sets run_pid, run_window and run_launched.
launch_and_find_window() {
  unset SDL_VIDEODRIVER WAYLAND_DISPLAY
  run_launched="$(now)"
  SDL_AUDIODRIVER=dummy ./ostrel --seed 42 >out.txt 2>err.txt &
  run_pid=$!
  run_window="$(timeout 30 xdotool search --sync --name '^ostrel$' 2>/dev/null | head -n 1)"
  if [ -z "$run_window" ]; then
    fail "$1: no window named ostrel appeared within 30 s: $(head -c 500 err.txt)"
    kill "$run_pid" 2>/dev/null
    wait "$run_pid" 2>/dev/null
    return 1
  fi
}

# Past the first beat the centre square is lit except during the beat flash
# (the first 28 % of each beat), so one of several grabs 0.2 s apart shows
# the timeline. Waits up to $1 grabs; prints the lit count of the last.
wait_for_lit_frame() {
  local tries lit=0
  for ((tries = 0; tries < $1; tries++)); do
    lit="$(lit_pixels)"
    [ "$lit" != 0 ] && break
    sleep 0.2
  done
  echo "$lit"
}

# Sends Escape as a real key event through the X server and checks that the
# run ends promptly with status 0.
end_with_escape() {
  xdotool windowfocus "$run_window" 2>/dev/null
  xdotool key Escape
  local waited=0
  while kill -0 "$run_pid" 2>/dev/null && [ "$waited" -lt 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  if kill -0 "$run_pid" 2>/dev/null; then
    fail "$1: still running 10 s after Escape"
    kill "$run_pid" 2>/dev/null
    wait "$run_pid" 2>/dev/null
    return
  fi
  wait "$run_pid"
  local status=$?
  if [ "$status" = 0 ]; then
    pass "$1: Escape ends the run with status 0"
  else
    fail "$1: exit status $status after Escape: $(head -c 500 err.txt)"
  fi
  if [ -s out.txt ]; then
    fail "$1: standard output is not empty: $(head -c 200 out.txt)"
  fi
}

# The executable is a copy in a directory without src/, so the music cannot
# be opened: black lead-in, one message at 2 s of loop clock, then the
# timeline starts at once.
run_without_music() {
  local name="without music"
  cd "$1" || return
  launch_and_find_window "$name" || return
  if xdotool getwindowgeometry "$run_window" | grep -q 'Geometry: 1920x1080'; then
    pass "$name: full-screen 1920x1080 window"
  else
    fail "$name: window geometry: $(xdotool getwindowgeometry "$run_window" | tr '\n' ' ')"
  fi

  # A grab that ends before the message was written shows lead-in frames.
  if [ "$screenshots" = 1 ]; then
    sleep 0.3
    local early
    early="$(lit_pixels)"
    if grep -qF "$music_message" err.txt; then
      skip "$name: lead-in not seen, the start-up was slower than the grab"
    elif [ "$early" = 0 ]; then
      pass "$name: lead-in frames are black"
    else
      fail "$name: lead-in frame has $early lit pixels"
    fi
  fi

  if wait_for_line err.txt 30 "$music_message"; then
    local after
    after="$(seconds_since "$run_launched")"
    if at_least "$after" 2.0; then
      pass "$name: message after ${after} s, at the end of the 2 s lead-in"
    else
      fail "$name: message only ${after} s after launch, before the 2 s lead-in ended"
    fi
  else
    fail "$name: no \"$music_message\" within 30 s: $(head -c 500 err.txt)"
  fi

  if [ "$screenshots" = 1 ]; then
    sleep 0.6
    local lit
    lit="$(wait_for_lit_frame 5)"
    if [ "$lit" != 0 ]; then
      pass "$name: timeline drawn ($lit lit pixels)"
    else
      fail "$name: no lit pixel in 5 grabs after the lead-in"
    fi
  fi

  end_with_escape "$name"
  local count
  count="$(grep -cxF "$music_message" err.txt)"
  if [ "$count" = 1 ]; then
    pass "$name: message written exactly once"
  else
    fail "$name: message written $count times"
  fi
}

# The executable with the committed track in src/ beside it: the music opens
# (no message) and, once the device plays, the timeline is drawn.
run_with_music() {
  local name="with music"
  cd "$1" || return
  launch_and_find_window "$name" || return
  local lit
  lit="$(wait_for_lit_frame 100)"
  if [ "$lit" != 0 ]; then
    pass "$name: timeline drawn after the lead-in ($lit lit pixels)"
  else
    fail "$name: no lit pixel within about 30 s: $(head -c 500 err.txt)"
  fi
  end_with_escape "$name"
  if grep -qF "$music_message" err.txt; then
    fail "$name: the track beside the executable did not play: $(head -c 500 err.txt)"
  else
    pass "$name: the track opened (no music message)"
  fi
}

run_on_display() {
  screenshots=0
  command -v ffmpeg >/dev/null 2>&1 && screenshots=1
  (run_without_music "$1/silent")
  if [ "$screenshots" = 1 ]; then
    (run_with_music "$1/music")
  else
    skip "ffmpeg missing: screen contents and the run with music not checked"
  fi
}

if [ "$under_display" = 1 ]; then
  run_on_display "$2"
  exit 0
fi

passed=0
failed=0
skipped=0
report() {
  local line
  while IFS= read -r line; do
    case "$line" in
      ok:*) passed=$((passed + 1)); echo "$line" ;;
      FAIL:*) failed=$((failed + 1)); echo "$line" >&2 ;;
      skip:*) skipped=$((skipped + 1)); echo "$line" ;;
      *) echo "$line" ;;
    esac
  done
}

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Help: printed to standard output with status 0, before any window is
# tried (no display and a video driver that does not exist).
for flag in --help -h; do
  out="$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=none-such "$exe" "$flag" 2>"$work/help.err")"
  status=$?
  if [ "$status" = 0 ] && printf '%s\n' "$out" | head -n 1 | grep -q '^usage: ostrel' &&
     printf '%s\n' "$out" | grep -q -- '--record' && [ ! -s "$work/help.err" ]; then
    pass "$flag prints the usage text and exits 0" | report
  else
    fail "$flag: status $status, output: $(printf '%s' "$out" | head -n 2 | tr '\n' ' ') $(cat "$work/help.err")" | report
  fi
done
out="$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=none-such "$exe" 7 --help 2>/dev/null)"
if [ $? = 0 ] && printf '%s\n' "$out" | grep -q '^usage: ostrel'; then
  pass "--help after a seed still prints the usage text" | report
else
  fail "--help after a seed" | report
fi

# Start-up failures: a video driver that does not exist fails SDL_Init; the
# dummy driver has no OpenGL, so the window cannot be created.
run_failing() {
  local driver="$1" expected="$2"
  local err status
  err="$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER="$driver" SDL_AUDIODRIVER=dummy \
    timeout 20 "$exe" --seed 1 2>&1 >/dev/null)"
  status=$?
  if [ "$status" = 1 ] && printf '%s\n' "$err" | grep -q "^$expected: ."; then
    pass "video driver $driver: \"$expected: ...\", status 1"
  else
    fail "video driver $driver: status $status, stderr: $(printf '%s' "$err" | head -c 300)"
  fi
}
run_failing none-such "SDL init failed" | report
run_failing dummy "Window creation failed" | report

# A real window on a virtual display.
if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v xdotool >/dev/null 2>&1; then
  skip "xvfb-run or xdotool missing: display run not tried" | report
else
  mkdir -p "$work/run/silent" "$work/run/music/src"
  cp "$exe" "$work/run/silent/ostrel"
  cp "$exe" "$work/run/music/ostrel"
  cp src/beat3-140bpm.mp3 "$work/run/music/src/"
  # A server number from the process id, so parallel tests rarely collide;
  # -a moves on to a free one when it is taken.
  xvfb-run -a -n $((100 + $$ % 400)) -s "-screen 0 1920x1080x24 -br -nolisten tcp" \
    bash "$0" --under-display "$exe" "$work/run" 2>&1 | report
  if [ "${PIPESTATUS[0]}" != 0 ]; then
    fail "xvfb-run failed" | report
  fi
fi

echo "$passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
