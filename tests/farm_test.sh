#!/bin/bash
# The render farm on short ranges of a run started at 2 s (a start past
# 164 s would step the whole graph in every chunk): equal to a single run,
# resumable, and never destroying a file or calling a partial result
# complete; chunks over real ssh to an sshd of its own on the loopback.
# Usage: bash tests/farm_test.sh path/to/ostrel
source "$(dirname "$0")/support/script_helpers.sh" farm "$1"
FARM="$REPO/tools/render-farm.sh"
export OSTREL="$BIN"
scratch_root
RUN=(--seed 5 --start 2)
# farm ARGS...: runs the farm, its messages in farm.out; the exit status.
farm() { "$FARM" "$@" > farm.out 2>&1; }
says() { grep -q -- "$1" farm.out || fail "$2: $(<farm.out)"; }
# same_recording A B: the video and sound packets of A equal B's, timestamps
# and bytes (so the decoded frames and sound are equal too: every FFV1 frame
# is coded on its own, and the sound is PCM), without decoding them.
same_recording() {
    local stream
    for stream in v a; do
        ffmpeg -v error -y -i "$1" -map 0:$stream -c copy -f framemd5 "$1.$stream.md5" &&
            ffmpeg -v error -y -i "$2" -map 0:$stream -c copy -f framemd5 "$2.$stream.md5" &&
            [ -s "$1.$stream.md5" ] && cmp -s "$1.$stream.md5" "$2.$stream.md5" || return 1
    done
}
# A stand-in program whose chunk 2 (frames 16-30) ends early with status 0,
# as a render stopped by a signal does: it renders frames 16-20 only.
fake_program "$WORK/stopping" ostrel "case \"\$*\" in *--frames\\ 16-30*) exec \"$BIN\" \"\$@\" --frames 16-20 ;; esac
exec \"$BIN\" \"\$@\""

# --- Equal to a single run, whatever the options' spelling, over a range of
# the user's own; the work folder is gone afterwards.
"$BIN" --export-png-frames single "${RUN[@]}" --frames 100-190 2> /dev/null
farm --chunks 3 -- --export-png-frames=farm "${RUN[@]}" --frames=100-190 || fail "farm export: $(<farm.out)"
diff -r -q farm single > /dev/null || fail "farm export differs from the single run"
"$BIN" --record single.mkv "${RUN[@]}" --frames 121-150 2> /dev/null
farm --chunks 3 -- --record=farm.mkv "${RUN[@]}" --frames=121-150 || fail "farm recording: $(<farm.out)"
same_recording single.mkv farm.mkv || fail "farm recording differs from the single run"
farm --chunks 2 -- --record both.mkv --export-png-frames both "${RUN[@]}" --frames 121-150 || fail "both outputs: $(<farm.out)"
[ "$(packets both.mkv)" = 30 ] && [ "$(ls both | wc -l)" = 30 ] || fail "both outputs: $(ls both | wc -l) files"
[ -z "$(ls -d ./*.farm 2> /dev/null)" ] || fail "work folders left: $(ls -d ./*.farm)"
# Frames deleted or cut off after their chunk finished are rendered again
# (the join alone names them); a new folder written "dir/" works beside it.
for k in 1 2 3; do "$FARM" --chunks 3 --chunk $k -- --export-png-frames=farm "${RUN[@]}" --frames=100-190 2> /dev/null; done
rm farm/frame-000120.png && head -c 100 single/frame-000150.png > farm/frame-000150.png
"$FARM" --chunks 3 --join -- --export-png-frames=farm "${RUN[@]}" --frames=100-190 2> farm.out
[ $? = 1 ] || fail "join over a missing frame: $(<farm.out)"
says "(frames 100-129) has frames 120 missing or cut off in farm" "join over a missing frame"
says "(frames 130-159) has frames 150 missing" "join over a cut-off frame"
farm --chunks 3 -- --export-png-frames=farm "${RUN[@]}" --frames=100-190 && diff -r -q farm single > /dev/null ||
    fail "missing frames not rendered again: $(<farm.out)"
farm --chunks 2 -- --export-png-frames new/ "${RUN[@]}" --frames 100-190 && diff -r -q new single > /dev/null &&
    [ -z "$(ls -A -d new/.farm new.farm 2> /dev/null)" ] || fail "trailing slash: $(<farm.out)"

# --- Names the program refuses, the farm refuses with the program's message,
# before anything is made; a folder of that name keeps its files.
SUM=$(md5sum < src/beat3-140bpm.mp3)
mkdir keep.mkv && echo mine > keep.mkv/inside
for case in "src/beat3-140bpm.mp3|is the music track" "keep.mkv|is a directory" "take|needs the extension" \
    "bad\$name.mkv|unsupported characters"; do
    farm --chunks 1 -- --record "${case%%|*}" --start 252
    [ $? = 1 ] || fail "${case%%|*}: status"
    says "${case#*|}" "${case%%|*}"
done
[ "$(md5sum < src/beat3-140bpm.mp3)" = "$SUM" ] && [ "$(cat keep.mkv/inside)" = mine ] || fail "a refused name lost data"
[ -z "$(ls -d ./*.farm src/*.farm 2> /dev/null)" ] || fail "a refused name made $(ls -d ./*.farm src/*.farm)"

# A folder the user made under the work folder's name is refused, never used
# or removed.
mkdir own.mkv.farm && echo mine > own.mkv.farm/notes
farm --chunks 2 -- --record own.mkv "${RUN[@]}" --frames 1-30
[ $? = 1 ] && [ "$(cat own.mkv.farm/notes)" = mine ] && [ "$(ls own.mkv.farm)" = notes ] && [ ! -e own.mkv ] ||
    fail "user's folder: $(<farm.out)"
says "no work folder of this farm" "user's folder"

# The program's own info options are no run to render.
farm --chunks 2 -- --record info.mkv --help
[ $? = 1 ] && [ -z "$(ls -d info* 2> /dev/null)" ] || fail "--help: $(<farm.out)"
says "no option of a run to render" "--help"
# Frames reach their names by a rename: an output folder on another, full,
# file system keeps its earlier frames, and no frame is cut off.
if [ "$(id -u)" = 0 ] && mkdir small && mount -t tmpfs -o size=400k tmpfs small 2> /dev/null; then
    CLEANUP+=('umount "$WORK/root/small"')
    "$BIN" --export-png-frames small/out --seed 5 --start 60 --frames 121-130 2> /dev/null
    (cd small/out && md5sum frame-*) > small.md5
    ln -s small/out elsewhere  # the work folder elsewhere.farm is on this file system
    farm --chunks 2 -- --export-png-frames elsewhere --seed 5 --start 60 --frames 121-220
    [ $? = 1 ] && (cd small/out && md5sum -c --quiet "$WORK/root/small.md5") && [ "$(ls -A small/out | wc -l)" = 10 ] ||
        fail "full disk elsewhere: $(ls -A small/out | wc -l) files: $(<farm.out)"
fi

# --- A chunk stopped by a signal exits 0 but is not complete: the farm and
# the join --print writes say which chunk, and nothing is called done.
echo "earlier take" > part.mkv
OSTREL="$WORK/stopping/ostrel" farm --chunks 2 -- --record part.mkv "${RUN[@]}" --frames 1-30
[ $? = 1 ] && [ "$(cat part.mkv)" = "earlier take" ] || fail "stopped chunk: $(<farm.out)"
says "chunk 2 (frames 16-30) holds 5 of its 15 frames" "stopped chunk"
OSTREL="$WORK/stopping/ostrel" farm --chunks 2 -- --export-png-frames parts "${RUN[@]}" --frames 1-30
[ $? = 1 ] || fail "stopped PNG chunk: status"
says "chunk 2 (frames 16-30), rendered here, wrote 5 of its 15 PNG frames" "stopped PNG chunk"
grep -q "does not record" part.mkv.farm/chunk-1.log && fail "chunk log: $(<part.mkv.farm/chunk-1.log)"
# What is not the farm's under its names is refused and kept.
rm -f part.mkv.farm/chunk-2.mkv && mkdir parts.farm/chunk-2.done part.mkv.farm/chunk-2.mkv && echo mine > part.mkv.farm/chunk-2.mkv/notes
for out in "--record part.mkv" "--export-png-frames parts"; do
    farm --chunks 2 -- $out "${RUN[@]}" --frames 1-30
    [ $? = 1 ] || fail "$out: a folder of the user's: status"
    says "is not a file the farm made" "$out: a folder of the user's"
done
[ "$(cat part.mkv.farm/chunk-2.mkv/notes)" = mine ] || fail "a user's file in the work folder was removed"
OSTREL="$WORK/stopping/ostrel" farm --chunks 2 --print -- --record printed.mkv "${RUN[@]}" --frames 1-30 ||
    fail "--print: $(<farm.out)"
[ -z "$(ls -d printed* 2> /dev/null)" ] || fail "--print made $(ls -d printed*)"
mapfile -t chunk_lines < <(grep -- "--chunk [0-9]* --" farm.out)
[ ${#chunk_lines[@]} = 2 ] && [ "$(grep -c -- "--join --" farm.out)" = 1 ] || fail "--print: $(<farm.out)"
for line in "${chunk_lines[@]}"; do bash -c "$line" < /dev/null 2> /dev/null; done
bash -c "$(grep -- "--join --" farm.out)" < /dev/null 2> join.err
[ $? = 1 ] && [ ! -e printed.mkv ] && grep -q "chunk 2 .* holds" join.err || fail "printed join: $(<join.err)"
# The array line takes its chunk from the scheduler's task number; the
# join then checks and joins every chunk.
farm --chunks 2 --print -- --record array.mkv "${RUN[@]}" --frames 121-150 || fail "--print: $(<farm.out)"
array_line=$(grep -- '--chunk "$SLURM_ARRAY_TASK_ID" --' farm.out)
grep -q "^# array: 1-2 " farm.out && [ -n "$array_line" ] || fail "--print array line: $(<farm.out)"
for task in 1 2; do SLURM_ARRAY_TASK_ID=$task bash -c "$array_line" < /dev/null 2> /dev/null || fail "array task $task"; done
bash -c "$(grep -- "--join --" farm.out)" < /dev/null 2> join.err && same_recording single.mkv array.mkv ||
    fail "array join: $(<join.err)"

# --- A signal to the farm stops its chunks and keeps the finished work; a
# rerun with other options is refused, the same command goes on.
setsid "$FARM" --chunks 2 -- --record stop.mkv "${RUN[@]}" --frames 121-150 > stop.out 2>&1 &
farm_pid=$!
for _ in $(seq 300); do [ "$(cat stop.mkv.farm/chunk-*.log 2> /dev/null | grep -c "^Recording")" = 2 ] && break; sleep 0.1; done
kill -TERM $farm_pid
wait $farm_pid
[ $? = 143 ] && grep -q "interrupted; [0-2] of 2 chunks kept" stop.out && ! grep -q "holds" stop.out ||
    fail "signal to the farm: $(<stop.out)"
sleep 0.5
pgrep -f "stop.mkv.farm" > /dev/null && fail "signal to the farm: chunks still running: $(pgrep -af stop.mkv.farm)"
[ -d stop.mkv.farm ] && [ ! -e stop.mkv ] || fail "signal to the farm: work folder or result"
farm --chunks 2 -- --record stop.mkv --seed 6 --start 2 --frames 121-150
[ $? = 1 ] && [ ! -e stop.mkv ] || fail "other seed reused the chunks: $(<farm.out)"
says "holds the chunks of another render" "other seed"
farm --chunks 2 -- --record stop.mkv "${RUN[@]}" --frames 121-150 || fail "resume: $(<farm.out)"
same_recording single.mkv stop.mkv || fail "resumed recording differs from the single run"

# --- A join that runs out of room (a file size limit here) fails, keeps the
# earlier take and the chunks; the same command then only joins.
echo "earlier take" > full.mkv
(ulimit -f 1000; "$FARM" --chunks 3 -- --record full.mkv "${RUN[@]}" --frames 121-150 > farm.out 2>&1)
[ $? = 1 ] && [ "$(cat full.mkv)" = "earlier take" ] && [ -e full.mkv.farm/chunk-3.mkv ] || fail "full disk: $(<farm.out)"
says "joining the chunks failed" "full disk"
fake_program "$WORK/logging" ostrel "echo \"\$*\" >> $WORK/calls.log; exec \"$BIN\" \"\$@\""
OSTREL="$WORK/logging/ostrel" farm --chunks 3 -- --record full.mkv "${RUN[@]}" --frames 121-150 ||
    fail "join again: $(<farm.out)"
[ "$(packets full.mkv)" = 30 ] && ! grep -q "chunk-.\.mkv" "$WORK/calls.log" || fail "join again rendered chunks"

# --- Hosts: a malformed line and an unreachable host are named with their
# own error; chunks over ssh equal a single run.
printf 'localhost\n2/host name; rm -rf /\n' > hosts.bad
farm --chunks 2 --hosts hosts.bad -- --record h.mkv "${RUN[@]}" --frames 121-150
[ $? = 1 ] && ! grep -qi "internal error\|awk" farm.out || fail "malformed host line: $(<farm.out)"
says "hosts.bad line 2 is not" "malformed host line"
if [ "$(id -u)" = 0 ] && [ -x /usr/sbin/sshd ] && command -v ssh > /dev/null; then
    ssh-keygen -q -t ed25519 -N '' -f "$WORK/host_key" && ssh-keygen -q -t ed25519 -N '' -f "$WORK/user_key"
    cp "$WORK/user_key.pub" "$WORK/authorized_keys"
    port=$((20000 + $$ % 20000))
    mkdir -p /run/sshd
    # start_sshd NAME PORT [SETUP]: an sshd on the loopback; with SETUP (a
    # shell command) in a mount namespace of its own, set up by it first.
    start_sshd() {
        local sshd=(/usr/sbin/sshd -f /dev/null -E "$WORK/sshd-$1.log" -o ListenAddress=127.0.0.1 -o Port=$2
            -o HostKey="$WORK/host_key" -o AuthorizedKeysFile="$WORK/authorized_keys" -o PidFile="$WORK/sshd-$1.pid"
            -o PermitRootLogin=prohibit-password -o PasswordAuthentication=no -o UsePAM=no -o StrictModes=no)
        if [ -n "${3:-}" ]; then
            unshare -m --propagation private bash -c "$3 && exec \"\$@\"" sshd "${sshd[@]}"
        else
            "${sshd[@]}"
        fi
        for _ in $(seq 50); do [ -s "$WORK/sshd-$1.pid" ] && break; sleep 0.1; done
        CLEANUP+=("kill \$(cat '$WORK/sshd-$1.pid' 2> /dev/null) 2> /dev/null")
    }
    start_sshd shared $port
    ssh_line="ssh -p PORT -i $WORK/user_key -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o BatchMode=yes -o LogLevel=ERROR -o ConnectTimeout=5 root@127.0.0.1"
    echo "2/${ssh_line/PORT/$port}" > hosts
    # A host that accepts and never answers is named within its timeout;
    # with no other host, nothing is made.
    python3 -c "import socket, time; s = socket.socket(); s.bind(('127.0.0.1', $((port + 2)))); s.listen(); c = s.accept(); time.sleep(60)" &
    CLEANUP+=("kill $! 2> /dev/null")
    sleep 0.5
    echo "${ssh_line/PORT/$((port + 2))}" | sed 's/ -o ConnectTimeout=5//' > hosts.silent
    OSTREL_FARM_CONNECT_TIMEOUT=2 timeout 30 "$FARM" --chunks 2 --hosts hosts.silent -- --record h.mkv "${RUN[@]}" > farm.out 2>&1
    [ $? = 1 ] && [ ! -e h.mkv.farm ] || fail "silent host: $(<farm.out)"
    says "timed out" "silent host"
    farm --chunks 2 --hosts hosts -- --record h.mkv "${RUN[@]}" --frames 121-150 || fail "over ssh: $(<farm.out)"
    same_recording single.mkv h.mkv || fail "over ssh: the recording differs from the single run"
    grep -q "/dev/tty" farm.out && fail "over ssh: $(<farm.out)"
    says "shares this folder" "over ssh"

    # --- A host that does not share this folder (a tmpfs over it in its own
    # view): the chunks come back equal to a single run, nothing left there.
    start_sshd separate $((port + 3)) "mount -t tmpfs none $WORK/root"
    echo "2/${ssh_line/PORT/$((port + 3))}" > hosts.separate
    run_there() { ${ssh_line/PORT/$((port + 3))} "$@"; }
    [ -z "$(run_there "ls -A $WORK/root")" ] || fail "the separate host sees this folder"
    "$BIN" --export-png-frames single-png "${RUN[@]}" --frames 121-150 2> /dev/null
    # (Only this test's temporary folders count: the host's /tmp is ours.)
    touch "$WORK/before-separate"
    left_there() { run_there "find /tmp -maxdepth 1 -name 'ostrel-chunk-*' -newer $WORK/before-separate"; }
    farm --chunks 2 --hosts hosts.separate -- --record s.mkv --export-png-frames s-png "${RUN[@]}" --frames 121-150 ||
        fail "separate host: $(<farm.out)"
    same_recording single.mkv s.mkv && diff -r -q single-png s-png > /dev/null || fail "separate host: results differ"
    says "does not share this folder" "separate host"
    left=$(run_there "ls -A $WORK/root"; left_there)
    [ -z "$left" ] || fail "separate host: left $left"
    # A transfer cut off half-way fails the chunk; the same command redoes it.
    fake_program "$WORK/cut" rsync "/usr/bin/rsync \"\$@\"; status=\$?
[ -f chunk-1.mkv ] && truncate -s \$((\$(stat -c %s chunk-1.mkv) / 2)) chunk-1.mkv && exit 12
exit \$status"
    PATH="$WORK/cut:$PATH" farm --chunks 2 --hosts hosts.separate -- --record cut.mkv "${RUN[@]}" --frames 121-150
    [ $? = 1 ] && [ ! -e cut.mkv ] || fail "cut transfer: $(<farm.out)"
    says "chunk 1 (frames 121-135), rendered on 127.0.0.1 (port $((port + 3))), holds" "cut transfer"
    farm --chunks 2 --hosts hosts.separate -- --record cut.mkv "${RUN[@]}" --frames 121-150 &&
        same_recording single.mkv cut.mkv || fail "cut transfer, again: $(<farm.out)"
    says "Chunk 2 (frames 136-150) is complete already" "cut transfer, again"
    [ -z "$(left_there)" ] || fail "cut transfer: left $(left_there)"

    # --- Hosts left out, named with the check they failed: one down, one of
    # unknown host key (with the hint), one of another version.
    fake_program "$WORK/v" ostrel "exec $BIN \"\$@\""
    fake_program "$WORK/old" ostrel 'echo "ostrel 0.9.0"'
    start_sshd old $((port + 4)) "mount --bind $WORK/old/ostrel $WORK/v/ostrel"
    { echo "2/${ssh_line/PORT/$((port + 3))}"; echo "${ssh_line/PORT/$((port + 1))}"
      echo "${ssh_line/PORT/$((port + 4))}"
      echo "${ssh_line/PORT/$port}" | sed "s|-o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null|-o StrictHostKeyChecking=yes -o UserKnownHostsFile=$WORK/known_hosts|"
    } > hosts.mixed
    OSTREL="$WORK/v/ostrel" farm --chunks 2 --hosts hosts.mixed -- --record m.mkv "${RUN[@]}" --frames 121-150 &&
        same_recording single.mkv m.mkv || fail "hosts that cannot render: $(<farm.out)"
    says "host 127.0.0.1 (port $((port + 1))) is left out: it cannot be reached (.*Connection refused" "a host that is down"
    says "host 127.0.0.1 (port $((port + 4))) is left out: its $WORK/v/ostrel is ostrel 0.9.0, not ostrel 1.1.0" "another version"
    says "ssh-keyscan -p $port 127.0.0.1 >> ~/.ssh/known_hosts" "an unknown host key"
    says "going on with the 1 of 4 hosts" "hosts that cannot render"

    # --- A host killed mid-chunk: its chunk is rendered again on the other.
    "$BIN" --export-png-frames single-long "${RUN[@]}" --frames 121-300 2> /dev/null
    { echo "1/${ssh_line/PORT/$port}"; echo "1/${ssh_line/PORT/$((port + 3))}"; } > hosts.two
    "$FARM" --chunks 2 --hosts hosts.two -- --export-png-frames k-png "${RUN[@]}" --frames 121-300 > farm.out 2>&1 &
    farm_pid=$!
    separate_pid=$(cat "$WORK/sshd-separate.pid")
    for _ in $(seq 400); do pgrep --ns "$separate_pid" --nslist mnt -f -- "--frames" > /dev/null && break; sleep 0.02; done
    pkill -KILL --ns "$separate_pid" --nslist mnt
    wait $farm_pid
    [ $? = 0 ] && diff -r -q single-long k-png > /dev/null || fail "a host killed mid-chunk: $(<farm.out)"
    says "was lost during chunk .*; it no longer answers, so the chunk goes to another host" "a host killed mid-chunk"
    # (What the killed host began in its temporary folder stays there.)
    CLEANUP+=("find /tmp -maxdepth 1 -name 'ostrel-chunk-*' -newer '$WORK/before-separate' -exec rm -rf {} +")
else
    echo "skip: ssh tests (need root and openssh-server)"
fi
finish
