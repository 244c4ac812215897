# Bash completion for ostrel and ostrel-farm: their options, and files or
# folders where an option takes one.
_ostrel() {
    local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]}
    local options="--seed --start --start-seconds --record --export-png-frames --export-indexed-png --frames
        --window --display --renderer --run-info --help --version"
    case "$previous" in
    --record) COMPREPLY=($(compgen -f -X '!*.@(mkv|avi|mov|nut)' -- "$current") $(compgen -d -- "$current")); return ;;
    --export-png-frames | --export-indexed-png) COMPREPLY=($(compgen -d -- "$current")); return ;;
    --renderer) COMPREPLY=($(compgen -W "cpu gl" -- "$current")); return ;;
    --seed | --start | --start-seconds | --frames | --display) return ;;
    esac
    COMPREPLY=($(compgen -W "$options" -- "$current"))
}

_ostrel_farm() {
    local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD-1]} word
    # After "--" the words are the program's own.
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        if [ "$word" = -- ]; then _ostrel; return; fi
    done
    case "$previous" in
    --hosts) COMPREPLY=($(compgen -f -- "$current")); return ;;
    --chunks | --chunk) return ;;
    esac
    COMPREPLY=($(compgen -W "--chunks --hosts --print --chunk --join --help --version --" -- "$current"))
}

shopt -s extglob
complete -F _ostrel -o filenames ostrel
complete -F _ostrel_farm -o filenames ostrel-farm
