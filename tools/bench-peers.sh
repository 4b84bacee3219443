#!/usr/bin/env bash
# Every side-by-side comparison in one table: figure, this program, the peer (another tool, or
# the floor benchmark beside it), the ratio and the goal. Whole process against whole process
# where the peer is another program, with the peak resident memory of each (GNU time). Each
# pair runs RUNS times in turns (so that a change in the machine's load reaches both) and the
# medians are shown.
#
# pngquant runs on one thread, as this program does.
# Images: two synthetic photographs (1 and 16 MP) and real ones from assimp-testmodels.
# The high-res build (about a minute) and the start-up probe run unless SKIP names them
# ("SKIP='upres startup'").
# Usage: tools/bench-peers.sh [build folder, default build/x86-64] [runs, default 3]
set -euo pipefail
build=$(cd "${1:-build/x86-64}" && pwd)
runs=${2:-3}
skip=" ${SKIP:-} "
here=$(cd "$(dirname "$0")/.." && pwd)
image="$build/bench/bench_image_bench"
# The real ImageMagick, not a wrapper earlier on the PATH.
im=${CONVERT:-/usr/bin/convert}
gtime=/usr/bin/time
for need in "$image" "$build/lwo_info" "$build/bench/bench_lwo_bench" "$build/bench/bench_collection_bench" \
            "$build/bench/bench_addon_bench" "$build/bench/bench_codex_bench" "$build/bench/bench_dtex_bench" \
            "$gtime" "$im" "$(command -v pngquant || echo pngquant)" "$(command -v assimp || echo assimp)"; do
    [ -x "$need" ] || { echo "missing $need (build the benchmarks; tools/install-deps.sh for the peers)"; exit 1; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/tavik-peers-XXXXXX")
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2fx", a / b; else print "-"}'; }
row() { printf '%-34s | %-24s | %-32s | %-8s | %s\n' "$@"; }

# Runs a command (output dropped) and prints "seconds peak-KiB"; a failure prints "fail".
measure() {
    if "$gtime" -f '%e %M' -o "$work/time" "$@" >/dev/null 2>"$work/err"; then
        cat "$work/time"
    else
        echo "fail fail"
        sed 's/^/    /' "$work/err" >&2
    fi
}

# pair OURS... -- PEER...: RUNS turns of both; sets o_s o_k p_s p_k (medians).
pair() {
    local ours=() peer=() side=0 a
    for a in "$@"; do
        if [ "$a" = -- ]; then side=1; continue; fi
        if [ $side = 0 ]; then ours+=("$a"); else peer+=("$a"); fi
    done
    local os=() ok=() ps=() pk=() m
    for _ in $(seq "$runs"); do
        read -r s k <<<"$(measure "${ours[@]}")"; os+=("$s"); ok+=("$k")
        read -r s k <<<"$(measure "${peer[@]}")"; ps+=("$s"); pk+=("$k")
    done
    o_s=$(printf '%s\n' "${os[@]}" | median); o_k=$(printf '%s\n' "${ok[@]}" | median)
    p_s=$(printf '%s\n' "${ps[@]}" | median); p_k=$(printf '%s\n' "${pk[@]}" | median)
}
mib() { awk -v k="$1" 'BEGIN {printf "%.0f MiB", k / 1024}'; }
psnr() { "${COMPARE:-/usr/bin/compare}" -metric PSNR "$1" "$2" null: 2>&1 | awk '{printf "%.2f", $1}' || true; }

# Median real time in ms of one Google Benchmark (exact name) over RUNS fresh processes, each
# running FILTER; a counter's median instead when COUNTER is set.
bench_ms() {  # bench_ms BINARY NAME [extra args]
    local bin=$1 name=$2 v=()
    shift 2
    for _ in $(seq "$runs"); do
        v+=("$("$build/bench/$bin" --benchmark_filter="^$name(/|\$)" --benchmark_format=csv "$@" 2>/dev/null |
            awk -F, -v n="$name" -v c="${COUNTER:-}" '
                /^name,/ {for (i = 1; i <= NF; ++i) col[$i] = i; next}
                {k = $1; gsub(/"/, "", k); sub(/\/iterations:.*/, "", k)}
                k == n {print (c != "") ? $(col[c]) : $(col["real_time"]); exit}')")
    done
    printf '%s\n' "${v[@]}" | median | awk '{printf "%.1f", $1}'
}

row figure "ours" "peer" ratio goal
row ---------------------------------- ------------------------ -------------------------------- -------- ----

# ---- palette and dithering: whole tavik process (load, quantise, save) against pngquant ----
"$image" --make-photo 1024 "$work/photo1024.png"
"$image" --make-photo 4096 "$work/photo4096.png"
models=/usr/share/assimp/models
images=("$work/photo1024.png" "$work/photo4096.png")
for real in "$models/LWO/LWO2/MappingModes/earthCylindric.jpg" "$models/OBJ/drkwood2.jpg" \
            "$models/glTF/CesiumMilkTruck/CesiumMilkTruck.png" "$models/3DS/test.png"; do
    [ -e "$real" ] || continue
    base=$(basename "${real%.*}")
    # pngquant reads PNG only: the photographs become 24-bit PNG first.
    "$im" "$real" -type TrueColor "PNG24:$work/$base.png"
    images+=("$work/$base.png")
done
for src in "${images[@]}"; do
    base=$(basename "${src%.png}")
    pair "$image" --quantize "$src" "$work/q-ours.png" -- \
        env OMP_NUM_THREADS=1 pngquant --force --output "$work/q-peer.png" 256 "$src"
    row "palette+dither $base" "$o_s s $(mib "$o_k")" "pngquant $p_s s $(mib "$p_k")" "$(ratio "$o_s" "$p_s")" "<= 0.5x"
    po=$(psnr "$src" "$work/q-ours.png"); pp=$(psnr "$src" "$work/q-peer.png")
    row "  PSNR $base" "$po dB" "pngquant $pp dB" \
        "$(awk -v a="$po" -v b="$pp" 'BEGIN {printf "%+.2f dB", a - b}')" ">= pngquant"
done

# ---- LightWave read: the reader's whole process against assimp's import ----
"$build/bench/bench_lwo_bench" --write-object "$work/grid.lwo"
pair "$build/lwo_info" "$work/grid.lwo" -- assimp info "$work/grid.lwo" -r
row "LightWave read 1M pts / 2M tris" "$o_s s $(mib "$o_k")" "assimp $p_s s $(mib "$p_k")" "$(ratio "$o_s" "$p_s")" "<= 0.04x"
rm -f "$work/grid.lwo"

# ---- image conversion of the 16 MP photograph against convert, with the files' sizes ----
src="$work/photo4096.png"
pair "$image" --convert "$src" "$work/c-ours.tiff" -- "$im" "$src" -compress zip "$work/c-peer.tiff"
so=$(stat -c %s "$work/c-ours.tiff" || echo 0); sp=$(stat -c %s "$work/c-peer.tiff" || echo 0)
row "PNG->TIFF 16 MP" "$o_s s $(mib "$o_k")" "convert $p_s s $(mib "$p_k")" "$(ratio "$o_s" "$p_s")" "<= 0.5x"
row "  TIFF file size" "$(awk -v b="$so" 'BEGIN {printf "%.1f MB", b / 1e6}')" \
    "convert $(awk -v b="$sp" 'BEGIN {printf "%.1f MB", b / 1e6}')" "$(ratio "$so" "$sp")" "<= 1x"
pair "$image" --convert "$src" "$work/c-ours.png" -- "$im" "$src" "$work/c-peer.png"
so=$(stat -c %s "$work/c-ours.png" || echo 0); sp=$(stat -c %s "$work/c-peer.png" || echo 0)
row "PNG->PNG 16 MP" "$o_s s $(mib "$o_k")" "convert $p_s s $(mib "$p_k")" "$(ratio "$o_s" "$p_s")" "<= 0.6x"
row "  PNG file size" "$(awk -v b="$so" 'BEGIN {printf "%.1f MB", b / 1e6}')" \
    "convert $(awk -v b="$sp" 'BEGIN {printf "%.1f MB", b / 1e6}')" "$(ratio "$so" "$sp")" "-"
rm -f "$work"/c-*

# ---- the figures against a floor benchmark beside them (fresh process each) ----
COUNTER=bytes_per_second
d=$(bench_ms bench_dtex_bench DtexDecode/1024 --benchmark_min_time=0.5)
unset COUNTER
row "dtex decode 1024x1024" "$(awk -v b="$d" 'BEGIN {printf "%.0f MB/s", b / 1e6}')" "-" "-" ">= 100 MB/s"

o=$(bench_ms bench_collection_bench BM_ImportPng200Once)
p=$(bench_ms bench_collection_bench BM_LoadPng200Once)
row "PNG import 200 bitmaps (fresh)" "$o ms" "LoadPng200 $p ms" "$(ratio "$o" "$p")" "<= 2x"

o=$(bench_ms bench_addon_bench BM_BuildDtexAddon)
p=$(bench_ms bench_addon_bench BM_PlainPassOverMap)
row "Build Dtex Add-on, 4096x4096 map" "$o ms" "PlainPassOverMap $p ms" "$(ratio "$o" "$p")" "<= 2x"

o=$(bench_ms bench_codex_bench BM_IndexLocalFolder)
p=$(bench_ms bench_codex_bench BM_ReadLocalHeadersPlain)
row "local folder index 10k files" "$o ms" "ReadLocalHeadersPlain $p ms" "$(ratio "$o" "$p")" "<= 1.5x"

if [[ $skip != *" upres "* ]]; then
    o=$(runs=1 bench_ms bench_collection_bench BM_UpRes300)
    row "Build High-Res, 300 renderings" "$(awk -v m="$o" 'BEGIN {printf "%.1f s", m / 1000}')" "-" "-" \
        "no cost from mmap thresholds"
fi

# ---- start-up to the first frame against a bare GLFW window ----
if [[ $skip != *" startup "* ]]; then
    TAVIK_I386_BUILD=/nonexistent "$here/bench/startup.sh" "$build" "$runs" >"$work/startup" 2>&1 || true
    floor=$(awk '$1 == "bare_window" {print $2}' "$work/startup")
    for what in "sample game" "100,000 tags"; do
        t=$(grep -F "Tavik64 $what" "$work/startup" | awk '{for (i = 1; i <= NF; ++i) if ($i ~ /^[0-9.]+$/ && $(i-1) !~ /Tavik64/) {print $i; exit}}')
        row "start-up, $what" "${t:-?} ms" "bare window ${floor:-?} ms" "$(ratio "${t:-0}" "${floor:-0}")" "<= 1.2x"
    done
fi
