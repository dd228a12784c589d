#!/usr/bin/env bash
# Completes a few command lines with data/rotopal-cli.bash and checks what bash would offer.
set -euo pipefail
source "$1"
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
touch "$folder/logo.sys"

offers() {  # offers EXPECTED WORD...: completes the last word and looks for EXPECTED
    local expected=$1
    shift
    COMP_WORDS=(rotopal-cli "$@")
    COMP_CWORD=${#COMP_WORDS[@]}
    COMP_CWORD=$((COMP_CWORD - 1))
    COMPREPLY=()
    _rotopal_cli
    if [[ " ${COMPREPLY[*]} " != *" $expected "* ]]; then
        echo "completing '$*' offered '${COMPREPLY[*]}', not '$expected'" >&2
        exit 1
    fi
}

offers import im
offers info ""
offers --json info --j
offers --bar-colours import pic.png out.sys --bar
offers cover import pic.png --fit c
offers 640 gif in.sys out.gif --width 6
offers "$folder/logo.sys" save "$folder/lo"
offers --no-backup install logo.sys disk.img --no
offers logow install logo.sys disk.img --as logo
echo "completion offers what it should"
