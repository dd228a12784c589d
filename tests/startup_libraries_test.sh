#!/usr/bin/env bash
# The programs never map the picture decoders: rotopal-cli --version, info and even import, and
# rotopal --version, map neither libvips nor libimagequant, as the dynamic linker reports
# (LD_DEBUG=libs); the decoder program they start maps both for a PNG, which shows the report
# would tell, and only libimagequant for a JPEG, which libjpeg reads without libvips.
#   startup_libraries_test.sh ROTOPAL_CLI ROTOPAL_OR_EMPTY SAMPLE_SCREEN SCRATCH_FOLDER DECODER
set -u
cli=$1 gui=$2 sample=$3 scratch=$4 decoder=$5
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
    elif [ "$expect" = quantizer ] && ! [[ "$found" =~ ^libimagequant[^\ ]*\ $ ]]; then
        echo "FAIL: $* should map libimagequant alone, maps: ${found:-neither}"
        failed=1
    else
        echo "ok: $* maps ${found:-neither of them}"
    fi
}

# No program looks for libraries along a run path: an empty entry in one is the folder it was
# started from, where anyone may put a libc of their own.
for program in "$cli" $gui "$decoder" "$(dirname "$decoder")/rotopal-decode-vips.so"; do
    if readelf -d "$program" | grep -qE '\((RUNPATH|RPATH)\)'; then
        echo "FAIL: $program has a run path: $(readelf -d "$program" | grep -E 'RUNPATH|RPATH')"
        failed=1
    fi
done

check none "$cli" --version
check none "$cli" info "$sample"
[ -n "$gui" ] && check none "$gui" --version
/usr/bin/convert -size 32x24 gradient:'#c03020-#2040c0' "$scratch/picture.png"
check none "$cli" import "$scratch/picture.png" "$scratch/logo.sys"
# The decoder on its own: the picture as its descriptor 3, no requests, so it says Ready and ends.
check both "$decoder" 3<"$scratch/picture.png"
/usr/bin/convert -size 32x24 gradient:'#c03020-#2040c0' "$scratch/picture.jpg"
check quantizer "$decoder" 3<"$scratch/picture.jpg"
exit $failed
