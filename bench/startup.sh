#!/usr/bin/env bash
# Start-up time: from process start to the first frame on screen, for Tavik64 and, side by
# side, for a bare program that only opens a GLFW window and presents one frame (the floor).
# Tavik64 runs on the sample game folder and on a generated game folder of 100,000 archive
# tags; its first frame counts once the archive browser shows the "combined" tree's first group
# (the browser's placement is seeded). Runs inside its own Xvfb; the build folder's
# res/prefs.txt is replaced during the runs and removed afterwards.
# Usage: bench/startup.sh [build folder] [runs]
set -euo pipefail
build=$(cd "${1:-build/x86-64}" && pwd)
runs=${2:-5}
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$runs"; fi

bx=32 by=64
top=$((28 + by))
probe="$build/bench/bench_frame_probe"
# Milliseconds from start to the first frame, then the peak resident KiB; the bare window counts
# once a pixel is lit, Tavik once the browser's first tree row is drawn in light text.
bare_frame() { (cd "$build" && "$probe" Bare bare 8 700 1 1 60 -- ./bench/bench_bare_window); }
tavik_frame() { (cd "$build" && "$probe" Tavik browser $((bx + 140)) $((top + 42)) 150 17 "${timeout:-60}" -- "$@"); }

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# A game folder of four archives of 25,000 tags each (kinds 3 and 2, half overlapping, as the
# tag database benchmark builds them).
big=$(mktemp -d "${TMPDIR:-/tmp}/tavik-startup-XXXXXX")
trap 'rm -rf "$big"; rm -f "$build/res/prefs.txt"' EXIT
python3 - "$big" <<'PY'
import os, struct, sys
root = sys.argv[1]
os.makedirs(os.path.join(root, "tags")); os.makedirs(os.path.join(root, "plugins")); os.makedirs(os.path.join(root, "local"))
per, size = 25000, 16
groups = [b"scen", b"obje", b"unit", b"text"]
for a in range(4):
    start = 128 + 64 * per
    head = struct.pack(">HH32s64sHHIIIII4s", 3 - (a & 1), 0, b"bench", b"", 0, per, 0, 0, start + per * size, 0, start, b"dng2")
    entries = bytearray()
    for i in range(per):
        name = ("Tag %d-%d" % (a, i)).encode()
        entries += struct.pack(">HBB32s4sIIIIHBB4s", 0xFFFF, 0, 0, name, groups[i % 4], (a // 2) * per + i,
                               start + i * size, size, 0, 1, 0xFF, 0xFF, b"vrn2")
    with open(os.path.join(root, "tags", "archive%d" % a), "wb") as f:
        f.write(head + entries + b"\x5a" * (per * size))
PY

prefs() {  # prefs <game folder or "">
    printf 'ArchiveBrowserPlacement "0 %d %d %d %d"\nShowSplash 0\n' $bx $by $((bx + 900)) $((by + 600)) >"$build/res/prefs.txt"
    [ -z "$1" ] || printf 'VornPath "%s/"\n' "$1" >>"$build/res/prefs.txt"
}

export GSETTINGS_BACKEND=memory
# The three programs take turns, so that a change in the machine's load reaches all of them.
sample=() large=() bare=()
for _ in $(seq "$runs"); do
    prefs ""
    sample+=("$(tavik_frame ./Tavik64 | cut -d' ' -f1)")
    prefs "$big"
    large+=("$(tavik_frame ./Tavik64 | cut -d' ' -f1)")
    bare+=("$(bare_frame | cut -d' ' -f1)")
done
floor=$(printf '%s\n' "${bare[@]}" | median)
above() { awk -v t="$(printf '%s\n' "$@" | median)" -v f="$floor" 'BEGIN {printf "%s  (+%.0f)", t, t - f}'; }
printf '%-24s %s\n' program "median ms to first frame ($runs runs), and above the bare window"
printf '%-24s %s\n' "Tavik64 sample game" "$(above "${sample[@]}")"
printf '%-24s %s\n' "Tavik64 100,000 tags" "$(above "${large[@]}")"
printf '%-24s %s\n' bare_window "$floor"

# Peak memory of the i386 build on the 100,000 tags, under the emulator (whose own resident
# memory is included): taken at the first frame, when the browser holds every tag.
i386=${TAVIK_I386_BUILD:-$build/../i386}
if [ -x "$i386/Tavik" ] && command -v qemu-i386 >/dev/null; then
    . "$(dirname "$0")/../tools/i386-gl.sh"
    saved=$build
    build=$(cd "$i386" && pwd)
    prefs "$big"
    kib=$(timeout=300 tavik_frame qemu-i386 ./Tavik | cut -d' ' -f2)
    rm -f "$build/res/prefs.txt"
    build=$saved
    printf '%-24s %s\n' "Tavik (i386) peak memory" "$((kib / 1024)) MiB resident (qemu-i386, 100,000 tags)"
fi
