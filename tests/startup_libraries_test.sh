#!/usr/bin/env bash
# The programs start without the picture decoders: rotopal-cli --version and info, and
# rotopal --version, map neither libvips nor libimagequant, as the dynamic linker reports
# (LD_DEBUG=libs); an import maps both, which shows that the report would tell.
#   startup_libraries_test.sh ROTOPAL_CLI ROTOPAL_OR_EMPTY SAMPLE_SCREEN SCRATCH_FOLDER
set -u
cli=$1 gui=$2 sample=$3 scratch=$4
mkdir -p "$scratch"
failed=0

# The libraries a command maps, one per line, by file name.
mapped() {
    LD_DEBUG=libs "$@" 2>&1 >/dev/null | sed -n 's/.*calling init: \(.*\)$/\1/p' | xargs -r -n1 basename
}

check() {
    local expect=$1
    shift
    local found
    found=$(mapped "$@" | grep -E '^lib(vips|imagequant)' | tr '\n' ' ')
    if [ "$expect" = none ] && [ -n "$found" ]; then
        echo "FAIL: $* maps $found"
        failed=1
    elif [ "$expect" = both ] && [ "$(echo "$found" | wc -w)" -lt 2 ]; then
        echo "FAIL: $* should map libvips and libimagequant, maps: ${found:-neither}"
        failed=1
    else
        echo "ok: $* maps ${found:-neither of them}"
    fi
}

check none "$cli" --version
check none "$cli" info "$sample"
[ -n "$gui" ] && check none "$gui" --version
/usr/bin/convert -size 32x24 gradient:'#c03020-#2040c0' "$scratch/picture.png"
check both "$cli" import "$scratch/picture.png" "$scratch/logo.sys"
exit $failed
