#!/usr/bin/env bash
# Start-up time: from process start to the first frame on screen, for Tavik64 on the sample
# game folder and, side by side, for a bare program that only opens a GLFW window and presents
# one frame (the floor). Runs inside its own Xvfb. Usage: bench/startup.sh [build folder] [runs]
set -euo pipefail
build=$(cd "${1:-build/x86-64}" && pwd)
runs=${2:-5}
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build" "$runs"; fi

# Milliseconds until a visible window named $2 shows a drawn (non-black) pixel at 8,700.
time_to_frame() {
    local program=$1 title=$2 start now window pixel
    start=$(date +%s%N)
    (cd "$build" && exec "$program") >/dev/null 2>&1 &
    local pid=$!
    while :; do
        window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -1 || true)
        if [ -n "$window" ]; then
            pixel=$(import -window "$window" -crop 1x1+8+700 -depth 8 rgb:- 2>/dev/null | od -An -tu1 | tr -d ' \n')
            if [ -n "$pixel" ] && [ "$pixel" != 000 ]; then break; fi
        fi
        sleep 0.005
    done
    now=$(date +%s%N)
    kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
    echo $(((now - start) / 1000000))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

export GSETTINGS_BACKEND=memory
printf '%-14s %s\n' program "median ms to first frame ($runs runs)"
printf '%-14s %s\n' Tavik64 "$(for _ in $(seq "$runs"); do time_to_frame ./Tavik64 Tavik; done | median)"
printf '%-14s %s\n' bare_window "$(for _ in $(seq "$runs"); do time_to_frame ./bench/bench_bare_window Bare; done | median)"
