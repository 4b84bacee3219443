#!/usr/bin/env bash
# Side by side on the same synthetic photographs: palette generation with dithering against
# pngquant, and PNG/TIFF load + save against ImageMagick's convert, whole process against whole
# process (load, work, save). Prints seconds, peak resident memory and PSNR.
# tools/bench-peers.sh runs these and every other peer comparison, on real images too.
# Usage: tools/bench-palette.sh <build folder with bench/bench_image_bench>
set -euo pipefail
build=${1:-build/x86-64}
tool="$build/bench/bench_image_bench"
[ -x "$tool" ] || { echo "missing $tool (build target bench_image_bench)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() {  # runs a command, prints its wall time in seconds and its peak memory
    /usr/bin/time -f '%e s %M KiB' -o "$work/time" "$@" >/dev/null 2>&1 || echo "failed" >"$work/time"
    cat "$work/time"
}

psnr() {  # PSNR of $2 against $1 as ImageMagick measures it
    compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print $1}' || true
}

printf '%-28s %22s %10s\n' "palette + dithering" "seconds, peak" "PSNR dB"
for side in 1024 4096; do
    src="$work/photo$side.png"
    "$tool" --make-photo "$side" "$src"
    mp=$(( side * side / 1000000 ))
    ours=$(seconds "$tool" --quantize "$src" "$work/ours$side.png")
    printf '%-28s %22s %10s\n' "tavik ${side}x${side} (~${mp} MP)" "$ours" "$(psnr "$src" "$work/ours$side.png")"
    if command -v pngquant >/dev/null; then
        # On one thread, as this program quantises.
        t=$(seconds env OMP_NUM_THREADS=1 pngquant --force --output "$work/pq$side.png" 256 "$src")
        printf '%-28s %22s %10s\n' "pngquant ${side}x${side}" "$t" "$(psnr "$src" "$work/pq$side.png")"
    fi
done

echo
printf '%-28s %22s\n' "load + save (4096 x 4096)" "seconds, peak"
src="$work/photo4096.png"
for target in png tiff; do
    out="$work/ours.$target"
    printf '%-28s %22s\n' "tavik png -> $target" "$(seconds "$tool" --convert "$src" "$out")"
    if [ -x /usr/bin/convert ]; then
        # Deflate for both TIFF writers, so the comparison is like for like.
        opts=""
        [ "$target" = tiff ] && opts="-compress zip"
        printf '%-28s %22s\n' "convert png -> $target" "$(seconds /usr/bin/convert "$src" $opts "$work/im.$target")"
    fi
done
