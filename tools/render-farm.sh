#!/usr/bin/env bash
# Splits an offline render into chunks of frames, runs them with GNU parallel
# (here, or on the machines of a host list over ssh) and joins the results
# into exactly what a single run with the same options writes.
#
#   tools/render-farm.sh --chunks N [--hosts FILE] [--print] -- OPTIONS...
#
# OPTIONS are the program's own offline options, in any spelling it takes.
# The farm never reads them itself: it asks the program (--run-info) for the
# outputs, the frames and where the track goes, so it refuses exactly what
# the program refuses, with the program's message, before it creates
# anything. The program finds the track as it does for any offline run.
#
# Its work folder (RECORD.farm/, or DIR.farm/ for PNG frames alone) holds a
# manifest of the run; chunks are reused only by a run with the same
# manifest, a folder without it is never touched, and only what the farm
# made is removed. A chunk is complete only when its output holds exactly
# its frames. The same script renders one chunk (--chunk K) and joins
# (--join): --print writes those commands for any other scheduler.
set -euo pipefail

# The usage text: on standard output with status 0 when asked for
# (--help), else on standard error with status 1.
usage() {
    local status=${1:-1}
    [ "$status" = 0 ] || exec >&2
    cat <<'EOF'
usage: ostrel-farm (or tools/render-farm.sh) --chunks N [--hosts FILE] [--print] -- OPTIONS...
  --chunks N    split the run's frames into N ranges (N >= 1)
  --hosts FILE  run the chunks on the machines listed in FILE (GNU parallel's
                --sshloginfile format: one [jobs/]host or [jobs/]ssh ... host
                per line); each needs the same version of ostrel (installed,
                or the same build at the same path); a host that does not
                share this folder renders in a temporary folder of its own
                and sends the chunk back
  --print       print the chunk commands, an array command (the chunk from
                SLURM_ARRAY_TASK_ID) and the join command instead of
                running them
  --chunk K     render chunk K only (what --print's lines run)
  --join        check every chunk and join them (what --print's last line runs)
OPTIONS: the program's offline options: --record FILE and/or
--export-png-frames DIR, --seed N, --start S, --frames FIRST-LAST, ...

Exit status: 0 when the whole output is in place; 1 after a failure, which a
message names (a rerun of the same command redoes only what did not
complete); 128 + the signal's number (130, 143, 129) when SIGINT, SIGTERM or
SIGHUP stopped it, keeping the finished chunks.
EOF
    exit "$status"
}

fail() {
    echo "render-farm: $*" >&2
    exit 1
}

# The program beside this script when installed (bin/ostrel-farm beside
# bin/ostrel), else the build's; OSTREL names another.
script="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
if [ -x "$(dirname "$script")/ostrel" ]; then
    default_program="$(dirname "$script")/ostrel"
else
    default_program="$(cd "$(dirname "$script")/.." && pwd)/build/ostrel"
fi
program="${OSTREL:-$default_program}"
# Absolute, as the chunk commands name it on other machines.
[ ! -x "$program" ] || [[ "$program" == /* ]] || program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
chunks=""
hosts=""
mode=farm
chunk=""
while [ $# -gt 0 ]; do
    case "$1" in
    --chunks) [ $# -ge 2 ] || usage; chunks="$2"; shift 2 ;;
    --hosts) [ $# -ge 2 ] || usage; hosts="$2"; shift 2 ;;
    --print) mode=print; shift ;;
    --chunk) [ $# -ge 2 ] || usage; mode=chunk; chunk="$2"; shift 2 ;;
    --join) mode=join; shift ;;
    -h | --help) usage 0 ;;
    --version)
        [ -x "$program" ] || fail "no program at $program: build it first (tools/setup.sh)."
        echo "ostrel-farm $("$program" --version | sed 's/^ostrel //')"
        exit 0 ;;
    --) shift; break ;;
    *) usage ;;
    esac
done
[ -n "$chunks" ] || usage
[[ "$chunks" =~ ^[1-9][0-9]{0,5}$ ]] || fail "--chunks needs a whole number of at least 1, not \"$chunks\"."
[ "$mode" != chunk ] || [[ "$chunk" =~ ^[1-9][0-9]{0,5}$ && "$chunk" -le "$chunks" ]] ||
    fail "--chunk needs a chunk number from 1 to $chunks, not \"$chunk\"."
[ $# -gt 0 ] || usage
[ -z "$hosts" ] || [ -r "$hosts" ] || fail "cannot read the host list \"$hosts\"."
[ -x "$program" ] || fail "no program at $program: build it first (tools/setup.sh)."
options=("$@")
for option in "${options[@]}"; do
    case "$option" in
    -h | --help | --version | --run-info)
        fail "$option is no option of a run to render; give the farm only the options of the run." ;;
    esac
done

# --- The run, as the program describes it after all of its own checks.
run_info() {
    "$program" "$@" --run-info || exit 1
}
info_value() { awk -v k="$1" '$1 == k { sub(/^[^ ]+ /, ""); print; exit }' <<<"$info"; }
info="$(run_info "${options[@]}")"
record="$(info_value record)"
export_dir="$(info_value export)"
# The folder as the program takes it: "frames/" is "frames", so the work
# folder lies beside it, never inside.
while [[ "$export_dir" == */ && "$export_dir" != / ]]; do export_dir="${export_dir%/}"; done
[ -n "$record$export_dir" ] || fail "give --record FILE and/or --export-png-frames DIR."
work="${record:-$export_dir}.farm"
manifest="$work/manifest"

# A run without a seed takes the clock's; every chunk must take the same
# one, so it is fixed here (or read back from the work folder's manifest
# when the same command goes on) and passed on explicitly.
if [ "$(info_value seed_given)" = 0 ]; then
    seed="$(awk '$1 == "seed" { print $2 }' "$manifest" 2>/dev/null || true)"
    options+=(--seed "${seed:-$(info_value seed)}")
    info="$(run_info "${options[@]}" 2>/dev/null)"
fi
frames="$(info_value frames)"
first_frame="$(info_value first_frame)"
[ "$chunks" -le $(((frames + 2) / 3)) ] || fail "$chunks chunks are too many for the run's $frames frames."

# Chunk k (1..N) renders frames first..last. Chunks start on every third
# frame of the range: 3 frames last exactly 50 ms, so each chunk starts on a
# whole millisecond and the joined timestamps equal a single run's.
units=$(((frames + 2) / 3))
chunk_first() { echo $((first_frame + 3 * (($1 - 1) * units / chunks))); }
chunk_last() {
    local last=$((first_frame - 1 + 3 * ($1 * units / chunks)))
    [ "$last" -le $((first_frame + frames - 1)) ] || last=$((first_frame + frames - 1))
    echo "$last"
}
chunk_range() { echo "$(chunk_first "$1")-$(chunk_last "$1")"; }
chunk_frames() { echo $(($(chunk_last "$1") - $(chunk_first "$1") + 1)); }

manifest_text() {
    echo "ostrel render farm work folder: remove it to start this render anew"
    printf 'options'; printf ' %q' "${options[@]}"; echo
    echo "chunks $chunks"
    echo "$info"
}

# The work folder: made here, or one that a run with the same manifest made
# (another chunk of this run may be making it at this moment).
claim_work_folder() {
    if mkdir "$work" 2>/dev/null; then
        manifest_text >"$manifest.$$" && mv "$manifest.$$" "$manifest" || fail "cannot write $manifest."
        return
    fi
    [ -d "$work" ] || fail "cannot make the work folder $work: $(mkdir "$work" 2>&1 | sed 's/.*: //')"
    # Its maker puts the manifest in at once: an empty folder may be that
    # moment of another chunk of this run.
    for _ in $(seq 50); do [ -z "$(ls -A "$work")" ] || break; sleep 0.1; done
    [ -f "$manifest" ] || fail "$work exists but is no work folder of this farm; it is left as it is: move it or choose another name."
    [ "$(cat "$manifest")" = "$(manifest_text)" ] ||
        fail "$work holds the chunks of another render (see $manifest); it is left as it is: finish that render with its own command, or remove the folder to start anew."
}

count_video_frames() {
    ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets -of csv=p=0 "$1" 2>/dev/null || true
}

# --- What the farm made, and only that, it removes: regular files, by
# name. Anything else under one of its names is refused with a message.
remove_made_file() {
    [ -e "$1" ] || [ -L "$1" ] || return 0
    [ -f "$1" ] && [ ! -L "$1" ] ||
        fail "$1 is not a file the farm made; it is left as it is: move it away, then run the same command again."
    rm -f "$1"
}

# Chunk k renders its PNG frames into a hidden folder inside the output
# folder, on the output's own file system: so they reach their names by a
# rename, never by a copy that a full disk could cut off. The farm's mark
# in it tells it from a folder of the user's.
chunk_folder() { echo "$export_dir/.farm-chunk-$1"; }
farm_mark=".made-by-ostrel-render-farm"
remove_chunk_folder() {
    local folder
    folder="$(chunk_folder "$1")"
    [ -e "$folder" ] || [ -L "$folder" ] || return 0
    [ -d "$folder" ] && [ ! -L "$folder" ] && [ -f "$folder/$farm_mark" ] ||
        fail "$folder is not a folder the farm made; it is left as it is: move it away, then run the same command again."
    find "$folder" -maxdepth 1 -type f \( -name 'frame-*.png' -o -name 'frame-*.png.*.tmp' \) -delete
    rm -f "$folder/$farm_mark"
    rmdir "$folder" 2>/dev/null || fail "$folder holds files the farm did not make; it is left in place."
}

# The frames first..last that the output folder lacks or holds cut off, by
# number: a frame counts when it is a regular file under its name whose
# last 12 bytes are the PNG's closing IEND chunk.
damaged_frames() {
    local expected present
    expected="$(seq -f 'frame-%06.0f.png' "$1" "$2")"
    present="$(find "$export_dir" -maxdepth 1 -name 'frame-*.png' -type f -size +11c -printf '%f\n' 2>/dev/null | sort)"
    {
        comm -23 <(echo "$expected") <(echo "$present")
        # (One list per process: workers check chunks at the same time.)
        local list="$work/frames.list.$BASHPID"
        comm -12 <(echo "$expected") <(echo "$present") >"$list"
        if [ -s "$list" ]; then
            # (Names are only of A-Z a-z 0-9 - . / _, so they need no quoting.)
            paste -d ' ' "$list" <(sed "s|^|$export_dir/|" "$list" |
                xargs -d '\n' tail -q -c 12 | od -An -v -tx1 -w12 | tr -d ' ') |
                awk '$2 != "0000000049454e44ae426082" { print $1 }'
        fi
        rm -f "$list"
    } | sed -n 's/^frame-0*\([0-9][0-9]*\)\.png$/\1/p' | sort -n
}

# Numbers as ranges: "5, 9-12, 40".
as_ranges() {
    awk 'NR == 1 { a = b = $1; next } $1 == b + 1 { b = $1; next }
         { printf "%s%s, ", a, (a == b ? "" : "-" b); a = b = $1 }
         END { if (NR) printf "%s%s\n", a, (a == b ? "" : "-" b) }'
}

# 0 when chunk k's recording (if any) holds exactly its frames, and when
# the chunk as a whole is complete: its PNG frames all in the output folder,
# whole. Else why_not says what is wrong.
why_not=""
recording_complete() {
    local k=$1 expected got
    [ -n "$record" ] || return 0
    expected=$(chunk_frames "$k")
    got="$(count_video_frames "$work/chunk-$k.mkv")"
    [ "$got" = "$expected" ] && return 0
    why_not="holds ${got:-no} of its $expected frames"
    return 1
}
chunk_complete() {
    recording_complete "$1" || return 1
    [ -n "$export_dir" ] || return 0
    if [ ! -f "$work/chunk-$1.done" ] || [ -L "$work/chunk-$1.done" ]; then
        why_not="has not put all of its $(chunk_frames "$1") PNG frames in place"
        return 1
    fi
    local damaged
    damaged="$(damaged_frames "$(chunk_first "$1")" "$(chunk_last "$1")" | as_ranges)"
    [ -z "$damaged" ] && return 0
    why_not="has frames $damaged missing or cut off in $export_dir"
    return 1
}

# --- One chunk: prepared here, rendered here or on a host, checked here
# once its files are here, and its PNG frames renamed into place.
#
# render_chunk K [HOST]: HOST is an index into the host list (none: here).
# A host that shares this folder writes the chunk's files in place; one that
# does not renders in a temporary folder of its own, from which GNU parallel
# brings the files back (rsync) and which it then removes, after success or
# failure. Status 0 when the chunk is complete, 255 when the host was lost
# (it no longer answers), else 1 after a message.
render_chunk() {
    local k=$1 h=${2:-} first last folder log expected got partial
    first=$(chunk_first "$k")
    last=$(chunk_last "$k")
    log="$work/chunk-$k.log"
    if chunk_complete "$k"; then
        echo "Chunk $k (frames $first-$last) is complete already." >"$log"
        return 0
    fi
    remove_made_file "$work/chunk-$k.mkv"
    for partial in "$work/chunk-$k".mkv.partial-*; do remove_made_file "$partial"; done
    remove_made_file "$work/chunk-$k.done"
    remove_returned_frames "$k"
    if [ -n "$export_dir" ]; then
        mkdir -p "$export_dir" 2>/dev/null || fail "cannot make $export_dir."
        remove_chunk_folder "$k"
        folder="$(chunk_folder "$k")"
        mkdir "$folder" && : >"$folder/$farm_mark" || fail "cannot make the chunk's folder $folder."
    fi
    local status=0 where="here"
    if [ -z "$h" ]; then
        local args=()
        [ -z "$record" ] || args+=(--record "$work/chunk-$k.mkv")
        args+=("${options[@]}")
        [ -z "$export_dir" ] || args+=(--export-png-frames "$folder")
        "$program" "${args[@]}" --frames "$first-$last" >"$log" 2>&1 || status=$?
    else
        where="on ${host_name[$h]}"
        run_chunk_on_host "$k" "$h" >"$log" 2>&1 || status=$?
        if [ "$status" != 0 ] && ! host_answers "$h"; then
            [ -z "$export_dir" ] || remove_chunk_folder "$k"
            remove_returned_frames "$k"
            return 255
        fi
        if [ "${host_kind[$h]}" = separate ] && [ -n "$export_dir" ] && [ -d "$work/chunk-$k.frames" ]; then
            find "$work/chunk-$k.frames" -maxdepth 1 -name 'frame-*.png' -type f -print0 | xargs -0 -r mv -f -t "$folder"
            remove_returned_frames "$k"
        fi
    fi
    if ! recording_complete "$k"; then
        [ -z "$export_dir" ] || remove_chunk_folder "$k"
        fail "chunk $k (frames $first-$last), rendered $where, $why_not (exit status $status); see $log, then run the same command again."
    fi
    if [ -n "$export_dir" ]; then
        expected=$((last - first + 1))
        got=$(find "$folder" -maxdepth 1 -name 'frame-*.png' -type f 2>/dev/null | wc -l)
        if [ "$got" != "$expected" ] || [ ! -f "$folder/frame-$(printf %06d "$first").png" ] ||
            [ ! -f "$folder/frame-$(printf %06d "$last").png" ]; then
            remove_chunk_folder "$k"
            fail "chunk $k (frames $first-$last), rendered $where, wrote $got of its $expected PNG frames (exit status $status); see $log, then run the same command again."
        fi
        local blocked
        blocked="$(find "$export_dir" -maxdepth 1 -name 'frame-*.png' ! -type f ! -type l | head -1)"
        [ -z "$blocked" ] || fail "chunk $k: $blocked is not a file, so no frame can take its name; it is left as it is: move it away, then run the same command again."
        (cd "$folder" && find . -maxdepth 1 -name 'frame-*.png' -type f -print0 | xargs -0 -r mv -f -t ..) ||
            fail "chunk $k: could not move its frames from $folder into $export_dir; run the same command again."
        remove_chunk_folder "$k"
        echo "$first-$last" >"$work/chunk-$k.done"
    fi
}

# The frames a host without this folder sent back for chunk k, in the work
# folder until they are moved to the chunk's folder.
remove_returned_frames() {
    local folder="$work/chunk-$1.frames"
    [ -e "$folder" ] || return 0
    [ -d "$folder" ] && [ ! -L "$folder" ] ||
        fail "$folder is not a folder the farm made; it is left as it is: move it away, then run the same command again."
    find "$folder" -maxdepth 1 -type f -name 'frame-*.png*' -delete
    rmdir "$folder" 2>/dev/null || fail "$folder holds files the farm did not make; it is left in place."
}

# Runs the program for chunk k on host h through GNU parallel, which stops
# the remote program when the farm is stopped. A host that shares this
# folder works in it; any other in a new temporary folder there (--wd),
# whose outputs come back into the work folder (--return, by rsync) and
# which is then removed, whether the chunk succeeded or not.
run_chunk_on_host() {
    local k=$1 h=$2 first last command transfer=() status=0
    local remote_folder="/tmp/ostrel-chunk-$run_token-$k"
    first=$(chunk_first "$k")
    last=$(chunk_last "$k")
    if [ "${host_kind[$h]}" = shared ]; then
        # In the work folder, by its full name: the host shares that folder
        # (the token was found there), not necessarily this one.
        command="cd $(printf %q "$(cd "$work" && pwd)") && exec $(printf %q "${host_program[$h]}")"
        [ -z "$record" ] || command+=" --record chunk-$k.mkv"
        command+="$(printf ' %q' "${options[@]}")"
        [ -z "$export_dir" ] || command+=" --export-png-frames $(printf %q "$(cd "$(chunk_folder "$k")" && pwd)")"
    else
        command="exec $(printf %q "${host_program[$h]}")"
        [ -z "$record" ] || { command+=" --record chunk-$k.mkv"; transfer+=(--return "chunk-$k.mkv"); }
        command+="$(printf ' %q' "${options[@]}")"
        [ -z "$export_dir" ] || { command+=" --export-png-frames chunk-$k.frames"; transfer+=(--return "chunk-$k.frames"); }
        transfer+=(--wd "$remote_folder")
    fi
    command+=" --frames $first-$last"
    (cd "$work" && parallel -N0 -j1 -S "${host_line[$h]}" --termseq TERM,8000,KILL,25 "${transfer[@]}" "$command" ::: 1 \
        </dev/null) || status=$?
    if [ "${host_kind[$h]}" = separate ]; then
        on_host "${host_line[$h]}" "rm -rf $remote_folder" ||
            echo "render-farm: could not remove $remote_folder on ${host_name[$h]}."
    fi
    return "$status"
}

# --- The join: every chunk checked, the recording's video joined by stream
# copy (every FFV1 frame is a key frame) with the track muxed in as a single
# run muxes it, under a temporary name; moved into place only when it holds
# every frame. Then the work folder is removed.
join_chunks() {
    local k failed=0
    for ((k = 1; k <= chunks; k++)); do
        if ! chunk_complete "$k"; then
            local log="see $work/chunk-$k.log"
            [ -e "$work/chunk-$k.log" ] || log="it was not rendered (see the messages above)"
            echo "render-farm: chunk $k (frames $(chunk_range "$k")) $why_not; $log." >&2
            failed=1
        fi
    done
    [ "$failed" -eq 0 ] || fail "not every chunk completed; run the same command again to redo only those."
    if [ -n "$record" ]; then
        echo "Joining $chunks chunks into $record" >&2
        local list="$work/chunks-$$.txt" joined="$work/joined-$$.mkv" placement=()
        : >"$list"
        for ((k = 1; k <= chunks; k++)); do
            local count
            count=$(chunk_frames "$k")
            printf "file 'chunk-%d.mkv'\nduration %d.%06d\n" "$k" $((count / 60)) $(((count % 60) * 1000000 / 60)) >>"$list"
        done
        local delay start
        delay="$(info_value audio_delay)"
        start="$(info_value audio_start)"
        if awk -v d="$delay" 'BEGIN { exit !(d > 0) }'; then placement+=(-itsoffset "$delay"); fi
        if awk -v s="$start" 'BEGIN { exit !(s > 0) }'; then placement+=(-ss "$start"); fi
        rm -f "$joined"
        if ! ffmpeg -nostdin -y -loglevel error -xerror -f concat -safe 0 -i "$list" "${placement[@]}" \
            -i "$(info_value track)" -map 0:v:0 -map 1:a:0 -c:v copy -c:a pcm_s16le -t "$(info_value cut)" "$joined"; then
            rm -f "$joined" "$list"
            fail "joining the chunks failed (see ffmpeg's message above); $record was not written, the chunks are kept in $work."
        fi
        rm -f "$list"
        local got
        got="$(count_video_frames "$joined")"
        if [ "$got" != "$frames" ]; then
            rm -f "$joined"
            fail "the joined recording holds ${got:-no} of $frames frames; $record was not written, the chunks are kept in $work."
        fi
        mv -f -T "$joined" "$record" || fail "could not move the recording into place as $record; it is kept as $joined."
    fi
    remove_work_folder
    echo "Done: $frames frames${record:+ in $record}${export_dir:+ in $export_dir/}" >&2
}

# Removes what the farm made, regular files by name; anything else leaves
# the folder in place.
remove_work_folder() {
    local k file files=("$work/chunks.jobs" "$work/joblog" "$manifest")
    for ((k = 1; k <= chunks; k++)); do
        files+=("$work/chunk-$k.mkv" "$work/chunk-$k".mkv.partial-* "$work/chunk-$k.log" "$work/chunk-$k.done"
            "$work/chunk-$k.tries")
        remove_returned_frames "$k"
        [ ! -d "$work/claim-$k" ] || rmdir "$work/claim-$k" 2>/dev/null || true
    done
    for file in "${files[@]}"; do
        [ ! -f "$file" ] || [ -L "$file" ] || rm -f "$file"
    done
    rmdir "$work" 2>/dev/null && return
    # Another join of the same run at the same moment removes the folder
    # after its own files.
    [ -z "$(find "$work" -mindepth 1 -maxdepth 1 ! -name 'joined-*.mkv' ! -name 'chunks-*.txt' 2>/dev/null)" ] && return
    echo "render-farm: $work holds files the farm did not make; it is left in place." >&2
}

# The command that renders chunk k (or joins, for "join"; or the chunk a
# scheduler's array task names, for "array"), runnable from any machine
# that shares this directory.
farm_command() {
    printf 'cd %q && OSTREL=%q %q --chunks %d' "$(pwd)" "$program" "$script" "$chunks"
    case "$1" in
    join) printf ' --join' ;;
    array) printf ' --chunk "$SLURM_ARRAY_TASK_ID"' ;;
    *) printf ' --chunk %d' "$1" ;;
    esac
    printf ' --'
    printf ' %q' "${options[@]}"
    echo
}

# A host that accepts and never answers must not hold the farm: every ssh
# gets a connect and banner timeout (seconds), unless its line sets its own.
connect_timeout="${OSTREL_FARM_CONNECT_TIMEOUT:-10}"
with_connect_timeout() {
    local line=$1 jobs=""
    if [[ "$line" =~ ^([0-9]+/)(.*)$ ]]; then
        jobs="${BASH_REMATCH[1]}"
        line="${BASH_REMATCH[2]}"
    fi
    if [[ "$line" == ":" || "$line" == *ConnectTimeout* ]]; then
        echo "$jobs$line"
    else
        echo "${jobs}ssh -o ConnectTimeout=$connect_timeout ${line#ssh }"
    fi
}

# The hosts that passed the check, by index: the parallel login line (with
# its timeout), the jobs it runs at once, its name for messages, whether it
# shares this folder ("shared") or not ("separate"), and its program.
host_line=() host_jobs=() host_name=() host_kind=() host_program=()

# The host a login line names, for messages and hints: its last word
# without the user, and the port when one is given.
login_host() {
    local words port="" host line=$1
    [[ "$line" =~ ^[0-9]+/(.*)$ ]] && line="${BASH_REMATCH[1]}"
    read -r -a words <<<"$line"
    host="${words[${#words[@]} - 1]}"
    host="${host#*@}"
    [[ "$1" =~ -p\ *([0-9]+) ]] && port="${BASH_REMATCH[1]}"
    echo "$host${port:+ (port $port)}"
}

# on_host LINE COMMAND: runs COMMAND once on the host of login line LINE,
# bounded in time however the host behaves.
on_host() {
    timeout $((3 * connect_timeout + 30)) parallel --nonall -S "$1" "$2" </dev/null
}

# 0 when host h still answers.
host_answers() { on_host "${host_line[$1]}" true >/dev/null 2>&1; }

# Why an ssh to a host failed, and what to do, from ssh's own message.
explain_ssh_failure() {
    local errors=$1 line=$2 host port_option=""
    host="$(login_host "$line")"
    [[ "$line" =~ -p\ *([0-9]+) ]] && port_option="-p ${BASH_REMATCH[1]} "
    case "$errors" in
    *"Host key verification failed"*)
        echo "its host key is not known here ($errors): check it, then add it with \"ssh-keyscan $port_option${host%% *} >> ~/.ssh/known_hosts\"" ;;
    *"Permission denied"*)
        echo "it refused the login ($errors): give it this user's public key (ssh-copy-id) or name the key in the host line with -i" ;;
    "")
        echo "it did not answer in time" ;;
    *)
        echo "it cannot be reached ($errors): check that it is up and that ssh reaches it" ;;
    esac
}

# Each host line must be [jobs/]host or [jobs/]ssh OPTIONS host. Each host
# is then checked in one ssh call: that it answers, which program it runs
# (the same path as here, else ostrel on its search path) and that
# program's version (it must be this one's), and whether it sees this
# folder (a token file written here and looked for there). A host that
# fails a check is named with that check and left out; the farm goes on
# with the others and stops only when none is left.
check_hosts() {
    local line number=0 lines=() version token answer errors status h=0
    while IFS= read -r line || [ -n "$line" ]; do
        number=$((number + 1))
        [[ "$line" =~ ^[[:space:]]*(#.*)?$ ]] && continue
        [[ "$line" =~ ^([0-9]+/)?([A-Za-z0-9_.@:%+=~,/-]+|ssh( +[A-Za-z0-9_.@:%+=~,/-]+)+)$ ]] ||
            fail "$hosts line $number is not [jobs/]host or [jobs/]ssh OPTIONS host: \"$line\"."
        lines+=("$(with_connect_timeout "$line")")
    done <"$hosts"
    [ ${#lines[@]} -gt 0 ] || fail "$hosts names no host."
    version="$("$program" --version)"
    token="$(date +%s%N)-$$-$RANDOM"
    # (Global: the exit trap removes it also when the check fails.)
    token_file="$(cd "$(dirname "$work")" && pwd)/.ostrel-farm-token-$$"
    echo "$token" >"$token_file" || fail "cannot write the token file $token_file, which tells the hosts that share this folder."
    trap 'rm -f "$token_file" "$token_file.err"' EXIT
    local check
    check="p=$(printf %q "$program"); [ -x \"\$p\" ] || p=\$(command -v ostrel) || { echo none; exit 0; }
echo \"program \$p\"; echo \"version \$(\"\$p\" --version)\"
[ \"\$(cat $(printf %q "$token_file") 2>/dev/null)\" = $token ] && echo shared || echo separate"
    for line in "${lines[@]}"; do
        status=0
        answer="$(on_host "$line" "$check" 2>"$token_file.err")" || status=$?
        errors="$(sed '/^$/d' "$token_file.err" | tail -2 | tr '\n' ' ' | sed 's/ *$//')"
        local name
        name="$(login_host "$line")"
        if [ "$status" != 0 ] || [ -z "$answer" ]; then
            echo "render-farm: host $name is left out: $(explain_ssh_failure "$errors" "$line")." >&2
            continue
        fi
        if [ "$answer" = none ]; then
            echo "render-farm: host $name is left out: it has neither $program nor ostrel on its search path; install the package of $version there." >&2
            continue
        fi
        local remote_program remote_version kind
        remote_program="$(sed -n 's/^program //p' <<<"$answer")"
        remote_version="$(sed -n 's/^version //p' <<<"$answer")"
        kind="$(tail -1 <<<"$answer")"
        if [ "$remote_version" != "$version" ]; then
            echo "render-farm: host $name is left out: its $remote_program is ${remote_version:-no ostrel}, not $version as here; install $version there." >&2
            continue
        fi
        host_jobs[h]=1 host_line[h]="$line"
        if [[ "$line" =~ ^([0-9]+)/(.*)$ ]]; then host_jobs[h]="${BASH_REMATCH[1]}" host_line[h]="${BASH_REMATCH[2]}"; fi
        host_name[h]="$name"
        host_kind[h]="$kind"
        host_program[h]="$remote_program"
        if [ "$kind" = shared ]; then
            echo "render-farm: host $name shares this folder: its chunks are written in place by $remote_program." >&2
        else
            echo "render-farm: host $name does not share this folder: its chunks render in a temporary folder there and are copied back here." >&2
        fi
        h=$((h + 1))
    done
    rm -f "$token_file" "$token_file.err"
    trap - EXIT
    [ "$h" -gt 0 ] || fail "no host in $hosts can render the chunks (see above); nothing was made."
    [ "$h" = ${#lines[@]} ] || echo "render-farm: going on with the $h of ${#lines[@]} hosts that can render." >&2
}

# --- Rendering: one worker per job slot of each host (without a host
# list, one per core here) takes the next chunk no one has taken (a claim
# folder in the work folder), renders it, and takes the next. A worker
# whose host is lost gives its chunk back, to be rendered again on another
# host (at most max_tries times in all), and stops; when no host is left,
# the chunks not rendered are named.
max_tries=3
take_next_chunk() {
    local k
    for ((k = 1; k <= chunks; k++)); do
        if mkdir "$work/claim-$k" 2>/dev/null; then
            echo "$k"
            return 0
        fi
    done
    return 1
}
run_worker() {
    local h=${1:-} k status tries
    while k=$(take_next_chunk); do
        [ -z "$h" ] || [ ! -e "$work/host-$h.lost" ] || { rmdir "$work/claim-$k"; return 0; }
        if (chunk_complete "$k"); then
            echo "Chunk $k (frames $(chunk_range "$k")) is complete already." >&2
            continue
        fi
        status=0
        (render_chunk "$k" "$h") || status=$?
        case "$status" in
        0) echo "Chunk $k (frames $(chunk_range "$k")) done${h:+ on ${host_name[$h]}}." >&2 ;;
        255)
            : >"$work/host-$h.lost"
            tries=$(($(cat "$work/chunk-$k.tries" 2>/dev/null || echo 0) + 1))
            echo "$tries" >"$work/chunk-$k.tries"
            if [ "$tries" -lt "$max_tries" ]; then
                rmdir "$work/claim-$k"
                echo "render-farm: host ${host_name[$h]} was lost during chunk $k (frames $(chunk_range "$k")); it no longer answers, so the chunk goes to another host (try $((tries + 1)) of $max_tries), and this host gets no more chunks." >&2
            else
                echo "render-farm: host ${host_name[$h]} was lost during chunk $k (frames $(chunk_range "$k")), the chunk's $max_tries. try; it is not tried again: check the hosts, then run the same command again." >&2
            fi
            return 0 ;;
        esac
    done
}

case "$mode" in
print)
    echo "# $frames frames in $chunks chunks; run each chunk line below on any machine (from this directory),"
    echo "# then the join once they have all finished (it checks every chunk itself)."
    for ((k = 1; k <= chunks; k++)); do farm_command "$k"; done
    echo "# array: 1-$chunks (one task per chunk, the chunk from the task's number in SLURM_ARRAY_TASK_ID):"
    farm_command array
    echo "# join:"
    farm_command join
    exit 0 ;;
chunk)
    claim_work_folder
    render_chunk "$chunk"
    exit 0 ;;
join)
    claim_work_folder
    join_chunks
    exit 0 ;;
esac

command -v parallel >/dev/null || fail "GNU parallel is not installed (Debian package \"parallel\")."
[ -z "$hosts" ] || check_hosts
claim_work_folder
for ((k = 1; k <= chunks; k++)); do [ ! -d "$work/claim-$k" ] || rmdir "$work/claim-$k"; done
rm -f "$work"/host-*.lost
# Names this run's temporary folders on the hosts.
run_token="$(date +%s%N)-$$"
echo "Rendering $frames frames in $chunks chunks; logs in $work/" >&2

# A signal to the farm stops every chunk (a worker's parallel ends its
# remote program over ssh); finished chunks stay. It then exits with 128 +
# the signal's number, as the program does.
worker_pids=()
# A process and all its descendants, deepest first.
tree_pids() {
    local child
    for child in $(pgrep -P "$1"); do tree_pids "$child"; done
    echo "$1"
}
stop_farm() {
    trap '' INT TERM HUP
    local pid k kept=0 pids=() tries
    for pid in "${worker_pids[@]}"; do pids+=($(tree_pids "$pid")); done
    kill -TERM "${pids[@]}" 2>/dev/null || true
    wait 2>/dev/null || true
    # A chunk's program ends in its own time (its encoder closes the file):
    # the farm is done only when every one is, killed after 30 s.
    for pid in "${pids[@]}"; do
        for ((tries = 0; tries < 300; tries++)); do kill -0 "$pid" 2>/dev/null || continue 2; sleep 0.1; done
        kill -KILL "$pid" 2>/dev/null || true
    done
    for ((k = 1; k <= chunks; k++)); do
        if chunk_complete "$k"; then kept=$((kept + 1)); fi
    done
    echo "render-farm: interrupted; $kept of $chunks chunks kept in $work: run the same command again to render the rest and join." >&2
    exit "$1"
}
trap 'stop_farm 130' INT
trap 'stop_farm 143' TERM
trap 'stop_farm 129' HUP
# A chunk given back by a lost host after the other workers ran out of
# chunks is taken by a new round of workers on the hosts still there.
chunk_given_back() {
    local k
    for ((k = 1; k <= chunks; k++)); do [ -d "$work/claim-$k" ] || return 0; done
    return 1
}
while :; do
    worker_pids=()
    if [ -z "$hosts" ]; then
        for ((j = 0; j < $(nproc); j++)); do run_worker & worker_pids+=($!); done
    else
        for h in "${!host_line[@]}"; do
            [ ! -e "$work/host-$h.lost" ] || continue
            for ((j = 0; j < host_jobs[h]; j++)); do run_worker "$h" & worker_pids+=($!); done
        done
    fi
    [ ${#worker_pids[@]} -gt 0 ] || break
    wait "${worker_pids[@]}" || true
    chunk_given_back || break
done
trap - INT TERM HUP
for ((k = 1; k <= chunks; k++)); do [ ! -d "$work/claim-$k" ] || rmdir "$work/claim-$k"; done
lost=$(find "$work" -maxdepth 1 -name 'host-*.lost' | wc -l)
rm -f "$work"/host-*.lost
if [ -n "$hosts" ] && [ "$lost" = ${#host_line[@]} ]; then
    echo "render-farm: every host was lost; the chunks not rendered are named below." >&2
fi
join_chunks
