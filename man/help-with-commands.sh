#!/bin/sh
# Runs PROGRAM with the rest of the arguments. With --help it also prints the help of every
# subcommand the program lists, so that help2man documents the subcommands from the program
# itself: each under its usage line as a heading, without its summary (the program's own list
# has it) and CLI11's Positionals:/Options: lines, which help2man would take for headings.
program=$1
shift
"$program" "$@" || exit
[ "$*" = --help ] || exit 0
for command in $("$program" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p'); do
    echo
    "$program" "$command" --help | awk '
        NR == 1 { next }
        /^Usage: / { sub(/^Usage: /, ""); print $0 ":"; next }
        /^(Positionals|Options):$/ || /^$/ { next }
        { print }'
done
