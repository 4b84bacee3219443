#!/usr/bin/env bash
# Times reading the same LightWave objects with this program's reader and with assimp
# ("assimp info FILE -r", which also prints the counts to compare): a synthetic grid of
# 1 million points and about 2 million triangles, and the largest assimp test model.
# Usage: tools/bench-lwo.sh [build folder, default build/x86-64]
set -euo pipefail
build=${1:-build/x86-64}
bench="$build/bench/bench_lwo_bench"
[ -x "$bench" ] || { echo "build the target bench_lwo_bench in $build first"; exit 1; }
object=$(mktemp /tmp/tavik-lwo-XXXXXX.lwo)
trap 'rm -f "$object"' EXIT
"$bench" --write-object "$object"
largest=/usr/share/assimp/models/LWO/LWO2/UglyVertexColors.lwo

echo "=== this reader"
"$bench" --benchmark_filter=.
if command -v assimp >/dev/null; then
    for f in "$object" "$largest"; do
        [ -e "$f" ] || continue
        echo "=== assimp info -r $(basename "$f")"
        /usr/bin/time -f "wall %e s, max RSS %M KB" assimp info "$f" -r 2>&1 |
            grep -E 'Vertices:|Faces:|import took|ERROR|wall' || true
    done
else
    echo "assimp is not installed (package assimp-utils)"
fi
