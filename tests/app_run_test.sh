#!/usr/bin/env bash
# Whole-program runs of the real-time executable: the help text, start-up
# failures and, on a virtual X display, a silent run (no track beside the
# executable) from its lead-in into the timeline, ended with Escape.
# Screen contents need ffmpeg; the display run needs xvfb-run and xdotool.
#
#   usage (from the repository root): bash tests/app_run_test.sh path/to/ostrel
source "$(dirname "$0")/support/script_helpers.sh" app "$1" display
set -o pipefail
music_message="Music playback unavailable; continuing silently."
since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }'; }
without_display() { env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER="$1" "${@:2}"; }

# Help: the usage text on standard output, status 0, before any window is tried.
for args in --help -h "7 --help"; do
  out="$(without_display none-such "$BIN" $args 2>"$WORK/help.err")"
  status=$?
  [ "$status" = 0 ] && [[ $out == "usage: ostrel"* && $out == *--record* ]] && [ ! -s "$WORK/help.err" ]
  expect $? "$args prints the usage text and exits 0" "status $status, output: ${out:0:200} $(cat "$WORK/help.err")"
done

# A video driver that does not exist fails SDL_Init; the dummy driver has no
# OpenGL, so the window cannot be created.
for driver_and_message in "none-such:SDL init failed" "dummy:Window creation failed"; do
  driver=${driver_and_message%%:*} expected=${driver_and_message#*:}
  err="$(without_display "$driver" timeout 20 "$BIN" --seed 1 2>&1 >/dev/null)"
  status=$?
  [ "$status" = 1 ] && printf '%s\n' "$err" | grep -q "^$expected: ."
  expect $? "video driver $driver: \"$expected: ...\", status 1" "status $status, stderr: ${err:0:300}"
done

# Number of lit pixels on the display, from one grab of the screen.
lit_pixels() {
  ffmpeg -v error -f x11grab -draw_mouse 0 -video_size 1920x1080 -i "$DISPLAY" \
    -frames:v 1 -f rawvideo -pix_fmt gray - 2>/dev/null | tr -d '\000' | wc -c
}

silent_run() {
  mkdir "$WORK/silent" && cp "$BIN" "$WORK/silent/ostrel" && cd "$WORK/silent" || return
  unset SDL_VIDEODRIVER WAYLAND_DISPLAY
  local launched=$EPOCHREALTIME pid window lit=0 tries status
  SDL_AUDIODRIVER=dummy ./ostrel --seed 42 >out.txt 2>err.txt &
  pid=$!
  window="$(timeout 30 xdotool search --sync --name '^ostrel$' 2>/dev/null | head -n 1)"
  if [ -z "$window" ]; then
    fail "no window named ostrel appeared within 30 s: $(head -c 500 err.txt)"
    kill "$pid" 2>/dev/null
    return
  fi
  xdotool getwindowgeometry "$window" | grep -q 'Geometry: 1920x1080'
  expect $? "full-screen 1920x1080 window" "$(xdotool getwindowgeometry "$window" | tr '\n' ' ')"

  # The music cannot be opened: one message at 2 s of loop clock, then the timeline.
  for ((tries = 0; tries < 600; tries++)); do
    grep -qxF "$music_message" err.txt && break
    sleep 0.05
  done
  if [ "$tries" = 600 ]; then
    fail "no \"$music_message\" within 30 s: $(head -c 500 err.txt)"
  elif awk -v s="$(since "$launched")" 'BEGIN { exit !(s >= 2.0) }'; then
    pass "message after $(since "$launched") s, at the end of the 2 s lead-in"
  else
    fail "message only $(since "$launched") s after launch, before the 2 s lead-in ended"
  fi

  # The centre square is dark only during the beat flash, so one of several
  # grabs 0.2 s apart shows the timeline.
  if [ "$screenshots" = 1 ]; then
    sleep 0.6
    for ((tries = 0; tries < 10; tries++)); do
      lit="$(lit_pixels)"
      [ "$lit" != 0 ] && break
      sleep 0.2
    done
    [ "$lit" != 0 ]
    expect $? "timeline drawn after the lead-in ($lit lit pixels)" "no lit pixel in 10 grabs"
  fi

  # Escape as a real key event through the X server.
  xdotool windowfocus "$window" 2>/dev/null
  xdotool key Escape
  for ((tries = 0; tries < 100; tries++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ "$tries" = 100 ]; then
    fail "still running 10 s after Escape"
    kill "$pid" 2>/dev/null
  fi
  wait "$pid"
  status=$?
  expect "$status" "Escape ends the run with status 0" "status $status: $(head -c 500 err.txt)"
  [ -s out.txt ] && fail "standard output is not empty: $(head -c 200 out.txt)"
  status="$(grep -cxF "$music_message" err.txt)"
  [ "$status" = 1 ]
  expect $? "message written exactly once" "written $status times"
}

if [ "$HAVE_DISPLAY" = 1 ] && command -v xdotool > /dev/null; then
  screenshots=0
  command -v ffmpeg >/dev/null && screenshots=1 || skip "ffmpeg missing: screen contents not checked"
  silent_run
else
  skip "xvfb-run or xdotool missing: display run not tried"
fi

finish
