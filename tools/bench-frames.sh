#!/usr/bin/env bash
# Every interactive operation beside its floor, from one run: each benchmark and the floor it is
# judged against run in the same process, median of three repetitions, and one table prints
# benchmark / time / floor / ratio / goal. The GL benchmarks draw with llvmpipe under Xvfb.
# Usage: tools/bench-frames.sh [build folder]
set -euo pipefail
build=${1:-build/x86-64}
bench="$build/bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run <bench program> <filter>: medians of three, as JSON in $work/<program>.<n>.json
n=0
run() {
    n=$((n + 1))
    "$bench/$1" --benchmark_filter="$2" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
        --benchmark_format=json >"$work/$n.json" 2>"$work/$n.err" || { echo "$1 failed:"; tail "$work/$n.err"; }
}

if [ -z "${DISPLAY:-}" ] && [ -z "${BENCH_FRAMES_INNER:-}" ]; then
    exec env BENCH_FRAMES_INNER=1 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

run bench_terrain_layers_bench 'EditorFrame/chunks:(8|16)/color0_detailed1_all2:[12]|VertexArrayFloor/chunks:(8|16)/color0_detailed1_all2:[12]'
run bench_mesh_frame_bench 'FlyingFrame|VertexArrayFloor'
run bench_model_bench 'ViewerFrame|VertexArrayDrawFloor'
run bench_dtex_bench 'DtexUpload|GLTextureCreatePlain'
run bench_terrain_bench 'BM_LoadMesh32x32|BM_ReadMeshBytes32x32'
run bench_mesh_edit_bench 'BM_UndoRedoWholeMeshStroke'
run bench_collection_bench 'BM_ColourEditRedrawThumbnails|BM_FrameViewDragStep1000x600|BM_BitmapsGridRedraw100WithOne4096|BM_DeleteAll2000'
run bench_list_bench 'BM_SortByColumn|BM_ListBuildAndSortSameColumns'
run bench_browser_bench 'BM_RebuildCombinedFromEmpty|BM_ListBuildAndSortSameColumns'
run bench_codex_bench 'BM_PollAfterOneSave'

python3 - "$work" <<'PY'
import json, glob, sys, re
times = {}
for f in sorted(glob.glob(sys.argv[1] + "/*.json")):
    try:
        data = json.load(open(f))
    except ValueError:
        continue
    for b in data.get("benchmarks", []):
        if b.get("aggregate_name") != "median":
            continue
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
        name = re.sub(r"_median$", "", b["name"]).replace("/real_time", "").replace("/iterations:360", "")
        times.setdefault(name, b["real_time"] * scale)

def find(pattern):
    for k, v in times.items():
        if re.fullmatch(pattern, k):
            return v
    return None

# benchmark, its floor (a benchmark or a fixed budget in ms), the goal as a ratio or a time
rows = [
    ("terrain EditorFrame 16x16 detailed", r"EditorFrame/chunks:16/color0_detailed1_all2:1", r"VertexArrayFloor/chunks:16/color0_detailed1_all2:1", "ratio", 1.5),
    ("terrain EditorFrame 16x16 all layers", r"EditorFrame/chunks:16/color0_detailed1_all2:2", r"VertexArrayFloor/chunks:16/color0_detailed1_all2:2", "ratio", 1.5),
    ("terrain EditorFrame 8x8 detailed", r"EditorFrame/chunks:8/color0_detailed1_all2:1", r"VertexArrayFloor/chunks:8/color0_detailed1_all2:1", "ratio", 1.5),
    ("terrain EditorFrame 8x8 all layers", r"EditorFrame/chunks:8/color0_detailed1_all2:2", r"VertexArrayFloor/chunks:8/color0_detailed1_all2:2", "ratio", 1.5),
    ("mesh FlyingFrame colour", r"FlyingFrame/0", r"VertexArrayFloor", "ratio", 1.5),
    ("mesh FlyingFrame data colouring", r"FlyingFrame/1", r"VertexArrayFloor", "ratio", 1.5),
    ("model ViewerFrame", r"ViewerFrame", r"VertexArrayDrawFloor", "ratio", 1.5),
    ("dtex DtexUpload with mipmaps", r"DtexUpload", r"GLTextureCreatePlain", "ratio", 2.0),
    ("terrain LoadMesh32x32 texels 256", r"BM_LoadMesh32x32/texels:256", r"BM_ReadMeshBytes32x32", "ratio", 20.0),
    ("terrain LoadMesh32x32 texels 257", r"BM_LoadMesh32x32/texels:257", r"BM_ReadMeshBytes32x32", "ratio", 20.0),
    ("terrain LoadMesh32x32 for the editor", r"BM_LoadMesh32x32ForTheEditor", r"BM_ReadMeshBytes32x32", "ratio", 20.0),
    ("mesh_edit UndoRedoWholeMeshStroke", r"BM_UndoRedoWholeMeshStroke.*", 16.0, "ms", 50.0),
    ("collection ColourEditRedrawThumbnails", r"BM_ColourEditRedrawThumbnails.*", 16.0, "ms", 16.0),
    ("collection FrameViewDragStep1000x600", r"BM_FrameViewDragStep1000x600.*", 16.0, "ms", 16.0),
    ("collection BitmapsGridRedraw100With4096", r"BM_BitmapsGridRedraw100WithOne4096.*", 16.0, "ms", 16.0),
    ("collection DeleteAll2000 (batch)", r"BM_DeleteAll2000Batch.*", 16.0, "ms", 100.0),
    ("list SortByColumn 50k rows", r"BM_SortByColumn.*", 16.0, "ms", 16.0),
    ("browser RebuildCombinedFromEmpty 50k", r"BM_RebuildCombinedFromEmpty.*", r"BM_ListBuildAndSortSameColumns.*", "ms", 100.0),
    ("codex PollAfterOneSave 5,000 files", r"BM_PollAfterOneSave.*", 16.0, "ms", 16.0),
]
print("%-40s %11s %11s %8s %10s %s" % ("benchmark", "ms", "floor ms", "ratio", "goal", "met"))
for label, pat, floor, kind, goal in rows:
    t = find(pat)
    f = floor if isinstance(floor, float) else find(floor)
    if t is None or f is None:
        print("%-40s %11s" % (label, "missing"))
        continue
    ratio = t / f
    met = ratio <= goal if kind == "ratio" else t <= goal
    goal_text = ("<= %.1fx" % goal) if kind == "ratio" else ("< %g ms" % goal)
    print("%-40s %11.2f %11.2f %7.2fx %10s %s" % (label, t, f, ratio, goal_text, "yes" if met else "NO"))
PY
