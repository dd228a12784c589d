# bash completion for rotopal-cli: subcommands, their options, the values options take, and
# file names for everything else.

_rotopal_cli() {
    local cur prev command i
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD-1]}
    command=
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            info|save|frames|gif|import|install|extract) command=${COMP_WORDS[i]}; break ;;
        esac
    done

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "info save frames gif import install extract --help --version" -- "$cur"))
        return
    fi

    case $prev in
        --convert) COMPREPLY=($(compgen -W "yes no" -- "$cur")); return ;;
        --fit) COMPREPLY=($(compgen -W "contain cover stretch" -- "$cur")); return ;;
        --width) COMPREPLY=($(compgen -W "320 640" -- "$cur")); return ;;
        --as|--from) COMPREPLY=($(compgen -W "logo logow logos" -- "$cur")); return ;;
        --partition) COMPREPLY=($(compgen -W "1 2 3 4" -- "$cur")); return ;;
        --range|--delay-ms|--loop|--bar|--dither|--background|--bar-colours) return ;;
    esac

    if [[ $cur == -* ]]; then
        local options
        case $command in
            info) options="--json" ;;
            save|frames) options="--range --convert" ;;
            gif) options="--range --convert --delay-ms --width --loop" ;;
            import) options="--range --fit --background --bar --bar-colours --dither" ;;
            install) options="--as --partition --no-backup" ;;
            extract) options="--from --partition" ;;
        esac
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi
    compopt -o filenames 2>/dev/null || true
    COMPREPLY=($(compgen -f -- "$cur"))
}

complete -F _rotopal_cli rotopal-cli
