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
# ready <window> <title>: the bare window's first non-black pixel, or the browser's first tree
# row drawn in light text.
ready() {
    local pixel
    if [ "$2" = Bare ]; then
        pixel=$(import -window "$1" -crop 1x1+8+700 -depth 8 rgb:- 2>/dev/null | od -An -tu1 | tr -d ' \n')
        [ -n "$pixel" ] && [ "$pixel" != 000 ]
    else
        [ "$(import -window "$1" -crop "150x17+$((bx + 140))+$((top + 42))" -depth 8 rgb:- 2>/dev/null |
            python3 -c 'import sys; b=sys.stdin.buffer.read(); print(sum(1 for i in range(0,len(b)-2,3) if min(b[i],b[i+1],b[i+2])>170))')" -gt 20 ]
    fi
}

# Milliseconds until a visible window named $2 is ready.
time_to_frame() {
    local program=$1 title=$2 start now window
    start=$(date +%s%N)
    (cd "$build" && exec "$program") >/dev/null 2>&1 &
    local pid=$!
    while :; do
        window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1 || true)
        if [ -n "$window" ] && ready "$window" "$title"; then break; fi
        sleep 0.005
    done
    now=$(date +%s%N)
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
    echo $(((now - start) / 1000000))
}

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
printf '%-24s %s\n' program "median ms to first frame ($runs runs)"
prefs ""
printf '%-24s %s\n' "Tavik64 sample game" "$(for _ in $(seq "$runs"); do time_to_frame ./Tavik64 Tavik; done | median)"
prefs "$big"
printf '%-24s %s\n' "Tavik64 100,000 tags" "$(for _ in $(seq "$runs"); do time_to_frame ./Tavik64 Tavik; done | median)"
printf '%-24s %s\n' bare_window "$(for _ in $(seq "$runs"); do time_to_frame ./bench/bench_bare_window Bare; done | median)"
