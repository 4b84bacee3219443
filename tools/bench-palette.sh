#!/usr/bin/env bash
# Side by side on the same synthetic photographs: palette generation with dithering against
# pngquant, and PNG/TIFF load + save against ImageMagick's convert. Prints seconds and PSNR.
# Usage: tools/bench-palette.sh <build folder with bench/bench_image_bench>
set -euo pipefail
build=${1:-build/x86-64}
tool="$build/bench/bench_image_bench"
[ -x "$tool" ] || { echo "missing $tool (build target bench_image_bench)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

seconds() {  # runs a command, prints its wall time in seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l | xargs printf '%.3f'
}

psnr() {  # PSNR of $2 against $1 as ImageMagick measures it
    compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print $1}' || true
}

printf '%-28s %10s %10s\n' "palette + dithering" "seconds" "PSNR dB"
for side in 1024 4096; do
    src="$work/photo$side.png"
    "$tool" --make-photo "$side" "$src"
    mp=$(( side * side / 1000000 ))
    ours=$("$tool" --quantize "$src" "$work/ours$side.png")
    printf '%-28s %10s %10s\n' "tavik ${side}x${side} (~${mp} MP)" "$ours" "$(psnr "$src" "$work/ours$side.png")"
    if command -v pngquant >/dev/null; then
        t=$(seconds pngquant --force --output "$work/pq$side.png" 256 "$src")
        printf '%-28s %10s %10s\n' "pngquant ${side}x${side}" "$t" "$(psnr "$src" "$work/pq$side.png")"
    fi
done

echo
printf '%-28s %10s\n' "load + save (4096 x 4096)" "seconds"
src="$work/photo4096.png"
for target in png tiff; do
    out="$work/ours.$target"
    printf '%-28s %10s\n' "tavik png -> $target" "$("$tool" --convert "$src" "$out")"
    if command -v convert >/dev/null; then
        # Deflate for both TIFF writers, so the comparison is like for like.
        opts=""
        [ "$target" = tiff ] && opts="-compress zip"
        printf '%-28s %10s\n' "convert png -> $target" "$(seconds convert "$src" $opts "$work/im.$target")"
    fi
done
