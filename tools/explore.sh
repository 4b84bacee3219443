#!/usr/bin/env bash
# A long exploration pass: every editor and shell window of tests/explore driven by seeded
# random user actions in the sanitizer build, with fresh seeds, for the given seconds per
# target, on JOBS cores at once (default 4). Each run prints the line that replays it; a run
# that fails keeps its output in build/explore-logs/ and the pass ends with the list of them.
# Usage: tools/explore.sh [seconds per target] [actions per run]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
actions=${2:-3000}
jobs=${JOBS:-4}
preset=${PRESET:-sanitize-all}
. tools/ccache-env.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$jobs" --target explore >/dev/null
bin=build/$preset/explore
logs=build/explore-logs
mkdir -p "$logs"
. tools/sanitizer-env.sh "build/$preset"

# One target: runs with fresh seeds until its time is up.
explore_target() {
    local target=$1 end=$((SECONDS + seconds)) runs=0 done_actions=0
    while [ $SECONDS -lt $end ]; do
        local seed=$(( (RANDOM << 30) ^ (RANDOM << 15) ^ RANDOM ))
        local log="$logs/${target//./_}-$seed.log"
        if "$bin" --editor "$target" --seed "$seed" --actions "$actions" >"$log" 2>&1; then
            rm -f "$log"
        else
            echo "FAILED: $bin --editor '$target' --seed $seed --actions $actions (log $log)"
        fi
        runs=$((runs + 1))
        done_actions=$((done_actions + actions))
    done
    echo "$target: $runs runs, about $done_actions actions"
}
export -f explore_target
export bin logs seconds actions
"$bin" --list | xargs -P "$jobs" -I{} bash -c 'explore_target "$@"' _ {}
ls "$logs"/*.log >/dev/null 2>&1 && { echo "Failed runs are kept in $logs/."; exit 1; }
echo "No faults found."
