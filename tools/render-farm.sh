#!/usr/bin/env bash
# Splits an offline render into chunks of frames, runs them with GNU parallel
# (here, or on the machines of a host list over ssh) and joins the results
# into exactly what a single run with the same options writes.
#
#   tools/render-farm.sh --chunks N [--hosts FILE] [--print] -- OPTIONS...
#
# OPTIONS are the program's own offline options: --record FILE (first)
# and/or --export-png-frames DIR, --seed N, --start S. Run it from the
# directory that holds src/beat3-140bpm.mp3 (the repository root).
#
# A recording's chunks and logs go to FILE.farm/; the joined file appears
# under FILE only when complete. PNG chunks write straight into DIR, each
# frame under its own name. Running the same command again after a failure
# redoes only the chunks that did not complete.
set -euo pipefail

usage() {
    cat >&2 <<'EOF'
usage: tools/render-farm.sh --chunks N [--hosts FILE] [--print] -- OPTIONS...
  --chunks N    split the run's frames into N ranges (N >= 1)
  --hosts FILE  run the chunks on the machines listed in FILE (GNU parallel's
                --sshloginfile format); each needs the same build at the same
                path and this directory on a shared file system
  --print       print the chunk commands and the join command instead of
                running them
OPTIONS: --record FILE and/or --export-png-frames DIR, --seed N, --start S
EOF
    exit 1
}

fail() {
    echo "render-farm: $*" >&2
    exit 1
}

here="$(cd "$(dirname "$0")/.." && pwd)"
program="${OSTREL:-$here/build/ostrel}"
chunks=""
hosts=""
print_only=0
while [ $# -gt 0 ]; do
    case "$1" in
    --chunks) [ $# -ge 2 ] || usage; chunks="$2"; shift 2 ;;
    --hosts) [ $# -ge 2 ] || usage; hosts="$2"; shift 2 ;;
    --print) print_only=1; shift ;;
    --) shift; break ;;
    *) usage ;;
    esac
done
[ -n "$chunks" ] || usage
[[ "$chunks" =~ ^[1-9][0-9]*$ ]] || fail "--chunks needs a whole number of at least 1, not \"$chunks\"."
[ $# -gt 0 ] || usage
[ -z "$hosts" ] || [ -r "$hosts" ] || fail "cannot read the host list \"$hosts\"."
[ -x "$program" ] || fail "no program at $program: build it first (tools/setup.sh)."

# The options the chunks pass on, and the outputs they name.
options=("$@")
record=""
export_dir=""
start="0"
if [ "${options[0]}" = "--record" ]; then
    [ ${#options[@]} -ge 2 ] && [[ "${options[1]}" != -* ]] || fail "give --record a file name."
    record="${options[1]}"
fi
for ((i = 0; i < ${#options[@]}; i++)); do
    case "${options[$i]}" in
    --export-png-frames | --export-indexed-png)
        [ $((i + 1)) -lt ${#options[@]} ] && [[ "${options[$((i + 1))]}" != -* ]] ||
            fail "give ${options[$i]} a directory name."
        export_dir="${options[$((i + 1))]}" ;;
    --start | --start-seconds) start="${options[$((i + 1))]:-0}" ;;
    --frames) fail "the farm chooses the frame ranges itself: leave out --frames." ;;
    --record) [ "$i" -eq 0 ] || fail "--record must be the first of the program's options." ;;
    esac
done
[ -n "$record" ] || [ -n "$export_dir" ] || fail "give --record FILE and/or --export-png-frames DIR."

# The run's frames and, for a recording, where a single run places the track.
info="$("$program" "${options[@]}" --run-info)" || fail "could not measure the run (is the track under $(pwd)/src?)."
frames="$(awk '$1 == "frames" { print $2 }' <<<"$info")"
audio_delay="$(awk '$1 == "audio_delay" { print $2 }' <<<"$info")"
audio_start="$(awk '$1 == "audio_start" { print $2 }' <<<"$info")"
cut="$(awk '$1 == "cut" { print $2 }' <<<"$info")"
[ "$chunks" -le $(((frames + 2) / 3)) ] || fail "$chunks chunks are too many for the run's $frames frames."

if [ -n "$record" ]; then
    work="$record.farm"
else
    work="$export_dir.farm"
fi
mkdir -p "$work"
work_abs="$(cd "$work" && pwd)"

# Chunks start on every third frame: 3 frames last exactly 50 ms, so each
# chunk starts on a whole millisecond and the joined timestamps equal a
# single run's. Chunk k (1..N) renders frames first..last.
units=$(((frames + 2) / 3))
chunk_range() {
    local k=$1
    local first=$((3 * ((k - 1) * units / chunks) + 1))
    local last=$((3 * (k * units / chunks)))
    [ "$last" -le "$frames" ] || last=$frames
    echo "$first-$last"
}

# The command of chunk k: the user's options with the chunk's recording
# name (its sound is dropped at the join) and its range.
chunk_command() {
    local k=$1
    local args=("${options[@]}")
    if [ -n "$record" ]; then args[1]="$work/chunk-$k.mkv"; fi
    printf 'cd %q && %q' "$(pwd)" "$program"
    printf ' %q' "${args[@]}" --frames "$(chunk_range "$k")"
    printf ' > %q 2>&1\n' "$work_abs/chunk-$k.log"
}

# Joins the chunks' video by stream copy (every FFV1 frame is a key frame)
# and muxes the track exactly as a single run does, under a temporary name.
join_command() {
    local placement=""
    if [ "$(awk -v d="$audio_delay" 'BEGIN { print (d > 0) }')" = 1 ]; then placement="-itsoffset $audio_delay "; fi
    if [ "$(awk -v s="$audio_start" 'BEGIN { print (s > 0) }')" = 1 ]; then placement+="-ss $audio_start "; fi
    printf 'ffmpeg -y -loglevel error -f concat -safe 0 -i %q %s-i src/beat3-140bpm.mp3 -map 0:v:0 -map 1:a:0 -c:v copy -c:a pcm_s16le -t %s %q && mv -f %q %q\n' \
        "$work/chunks.txt" "$placement" "$cut" "$work/joined.mkv" "$work/joined.mkv" "$record"
}

jobs_file="$work/chunks.jobs"
: >"$jobs_file"
for ((k = 1; k <= chunks; k++)); do chunk_command "$k" >>"$jobs_file"; done
if [ -n "$record" ]; then
    : >"$work/chunks.txt"
    # Each chunk's exact length, so the next one starts where it ends.
    for ((k = 1; k <= chunks; k++)); do
        range="$(chunk_range "$k")"
        count=$((${range#*-} - ${range%-*} + 1))
        printf "file 'chunk-%d.mkv'\nduration %d.%06d\n" "$k" $((count / 60)) $(((count % 60) * 1000000 / 60)) >>"$work/chunks.txt"
    done
fi

if [ "$print_only" -eq 1 ]; then
    echo "# $frames frames in $chunks chunks; run each line below on any machine (from this directory),"
    echo "# then the join."
    cat "$jobs_file"
    if [ -n "$record" ]; then
        echo "# join, once every chunk has finished:"
        join_command
    fi
    exit 0
fi

command -v parallel >/dev/null || fail "GNU parallel is not installed (Debian package \"parallel\")."
parallel_args=(--joblog "$work/joblog" --resume-failed --eta --halt never)
if [ -n "$hosts" ]; then parallel_args+=(--sshloginfile "$hosts"); fi
echo "Rendering $frames frames in $chunks chunks; logs in $work/" >&2
set +e
parallel "${parallel_args[@]}" <"$jobs_file"
set -e

# A chunk is complete when its job ended with status 0 and, for a
# recording, its file holds exactly its frames.
failed=0
for ((k = 1; k <= chunks; k++)); do
    range="$(chunk_range "$k")"
    expected=$((${range#*-} - ${range%-*} + 1))
    status="$(awk -F'\t' -v n="$k" 'NR > 1 && $1 == n { s = $7 } END { print s }' "$work/joblog")"
    if [ "$status" != 0 ]; then
        echo "render-farm: chunk $k (frames $range) failed; see $work/chunk-$k.log" >&2
        failed=1
        continue
    fi
    if [ -n "$record" ]; then
        got="$(ffprobe -v error -count_packets -select_streams v:0 -show_entries stream=nb_read_packets \
            -of csv=p=0 "$work/chunk-$k.mkv" 2>/dev/null || true)"
        if [ "$got" != "$expected" ]; then
            echo "render-farm: chunk $k (frames $range) holds ${got:-no} frames instead of $expected; see $work/chunk-$k.log" >&2
            # Its job must run again next time.
            awk -F'\t' -v OFS='\t' -v n="$k" 'NR > 1 && $1 == n { $7 = 1 } { print }' "$work/joblog" >"$work/joblog.tmp" &&
                mv "$work/joblog.tmp" "$work/joblog"
            failed=1
        fi
    fi
done
[ "$failed" -eq 0 ] || fail "not every chunk completed; run the same command again to redo only those."

if [ -n "$record" ]; then
    echo "Joining $chunks chunks into $record" >&2
    if ! bash -c "$(join_command)"; then
        rm -f "$work/joined.mkv"
        fail "joining the chunks failed; $record was not written."
    fi
    rm -rf "$work"
else
    rm -rf "$work"
fi
echo "Done: $frames frames${record:+ in $record}${export_dir:+ in $export_dir/}" >&2
