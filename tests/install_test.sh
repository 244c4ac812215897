#!/bin/bash
# The program outside its source tree: installed into a staging folder
# (DESTDIR) and run from another folder, offline and live (with the track
# found); the track's lookup order and its message; the Debian package's
# contents, Depends and lintian's verdict, and the program unpacked from it.
# Usage: bash tests/install_test.sh path/to/ostrel (from the repository root)
source "$(dirname "$0")/support/script_helpers.sh" install "$1" display
BUILD=$(dirname "$BIN")
RANGE=(--seed 31 --frames 10900-10905)
"$BIN" --export-png-frames "$WORK/tree" "${RANGE[@]}" 2> /dev/null || fail "the build's own frames"

# --- Installed into a staging folder, run from another folder.
DESTDIR="$WORK/stage" cmake --install "$BUILD" --prefix /usr > "$WORK/install.log" 2>&1 || fail "install: $(<"$WORK/install.log")"
STAGE=$WORK/stage/usr
mkdir -p "$WORK/elsewhere" && cd "$WORK/elsewhere" || exit 1
[ "$("$STAGE/bin/ostrel" --run-info --seed 31 | sed -n 's/^track //p')" = "$STAGE/share/ostrel/beat3-140bpm.mp3" ] ||
    fail "installed program's track: $("$STAGE/bin/ostrel" --run-info --seed 31 2>&1)"
"$STAGE/bin/ostrel" --export-png-frames tree "${RANGE[@]}" 2> /dev/null && diff -r tree "$WORK/tree" > /dev/null
expect $? "the installed program's frames equal the build's" "$(ls tree 2>&1 | head -3)"
OSTREL= "$STAGE/bin/ostrel-farm" --chunks 2 -- --export-png-frames farmed "${RANGE[@]}" > farm.out 2>&1 &&
    diff -r farmed "$WORK/tree" > /dev/null
expect $? "the installed farm uses the installed program" "$(<farm.out)"
( source "$STAGE/share/bash-completion/completions/ostrel"
  COMP_WORDS=(ostrel --rend); COMP_CWORD=1; _ostrel; [ "${COMPREPLY[*]}" = --renderer ] )
expect $? "bash completion of an option" ""
# Live under Xvfb: the music opens from the installed data folder.
if [ "$HAVE_DISPLAY" = 1 ]; then
    SDL_VIDEODRIVER= "$STAGE/bin/ostrel" --window --start 250 --seed 3 2> live.err &
    pid=$!
    opened=0
    for _ in $(seq 200); do
        [[ $(ls -l "/proc/$pid/fd" 2> /dev/null) == *share/ostrel/beat3-140bpm.mp3* ]] && { opened=1; break; }
        sleep 0.05
    done
    kill $pid 2> /dev/null
    wait $pid
    [ $opened = 1 ] && ! grep -q "unavailable" live.err
    expect $? "live, the installed program plays the installed track" "$(<live.err)"
else
    skip "live run: no xvfb-run"
fi

# --- The lookup order: the working folder (offline), beside the program,
# the installed data folder; none: every path named, in order.
mkdir -p "$WORK/lookup/bin" "$WORK/lookup/run" && cp "$BIN" "$WORK/lookup/bin/ostrel" && cd "$WORK/lookup/run" || exit 1
"$WORK/lookup/bin/ostrel" --run-info 2> missing.err
status=$?
[ $status = 1 ] && [ "$(sed -n 2,4p missing.err)" = "  src/beat3-140bpm.mp3 (under the working folder $WORK/lookup/run)
  $WORK/lookup/bin/src/beat3-140bpm.mp3
  $WORK/lookup/share/ostrel/beat3-140bpm.mp3" ]
expect $? "no track: status 1 and every path tried, in order" "status $status: $(<missing.err)"
track_of() { "$WORK/lookup/bin/ostrel" --run-info | sed -n 's/^track //p'; }
mkdir -p ../share/ostrel && cp "$TRACK" ../share/ostrel/
[ "$(track_of)" = "$WORK/lookup/share/ostrel/beat3-140bpm.mp3" ] || fail "installed data folder: $(track_of)"
mkdir -p ../bin/src && cp "$TRACK" ../bin/src/
[ "$(track_of)" = "$WORK/lookup/bin/src/beat3-140bpm.mp3" ] || fail "beside the program: $(track_of)"
mkdir src && cp "$TRACK" src/
[ "$(track_of)" = src/beat3-140bpm.mp3 ] || fail "the working folder first: $(track_of)"
# The encoder reads the track found, also through a folder name with a space.
mkdir -p "$WORK/with space/bin/src" && cp "$BIN" "$WORK/with space/bin/ostrel" && cp "$TRACK" "$WORK/with space/bin/src/"
"$WORK/with space/bin/ostrel" --record "$WORK/lookup/spaced.mkv" --seed 3 --frames 1-130 2> spaced.err &&
    [ "$(packets "$WORK/lookup/spaced.mkv" a:0)" -gt 0 ]
expect $? "a recording with a track in a folder with a space" "$(<spaced.err)"

# --- The Debian package: contents, Depends, lintian, and the program
# unpacked from it.
cd "$REPO" || exit 1
tools/package.sh > "$WORK/package.log" 2>&1 || fail "tools/package.sh: $(<"$WORK/package.log")"
deb=$(ls build/ostrel_*_*.deb 2> /dev/null | head -1)
if [ -n "$deb" ]; then
    contents=$(dpkg-deb -c "$deb")
    [[ $contents == *" ./usr/share/ostrel/beat3-140bpm.mp3"* && $contents == *" ./usr/bin/ostrel-farm"* &&
       $contents == *" ./usr/share/man/man1/ostrel.1.gz"* ]] || fail "package contents: $contents"
    depends=$(dpkg-deb -f "$deb" Depends)
    [[ $depends == *libsdl2-2.0-0* && $depends == *libmpg123-0* && $depends == *libc6* ]] || fail "Depends: $depends"
    [[ $(dpkg-deb -f "$deb" Recommends) == *ffmpeg*parallel* ]] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
    lintian --no-tag-display-limit "$deb" > "$WORK/lintian.out" 2>&1
    ! grep -E "^[EW]: " "$WORK/lintian.out"
    expect $? "lintian: no error or warning" "$(<"$WORK/lintian.out")"
    dpkg-deb -x "$deb" "$WORK/unpacked" && cd "$WORK/elsewhere" &&
        "$WORK/unpacked/usr/bin/ostrel" --export-png-frames packaged "${RANGE[@]}" 2> /dev/null &&
        diff -r packaged "$WORK/tree" > /dev/null
    expect $? "the packaged program's frames equal the build's" ""
else
    fail "no package in build/: $(<"$WORK/package.log")"
fi
finish
