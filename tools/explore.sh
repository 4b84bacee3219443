#!/usr/bin/env bash
# A long exploration pass: every editor and shell window of tests/explore driven by seeded
# random user actions in the sanitizer build, with fresh seeds and round trips through single
# boxes (explore --round-trips), for the given seconds per target, on JOBS cores at once
# (default 4). Each run prints the line that replays it; a run
# that fails keeps its output in build/explore-logs/ and the pass ends with a table of runs,
# actions and failed runs per target, and the list of kept logs.
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
logs=build/explore-logs
mkdir -p "$logs"
rm -f "$logs"/*.log "$logs"/*.sum
# The pass runs its own copy: a rebuild while it runs does not change the program under it.
# (It finds its resources and sample game by the build folder compiled into it.)
bin=$logs/explore-$preset
cp "build/$preset/explore" "$bin"
. tools/sanitizer-env.sh "build/$preset"

# One target: runs with fresh seeds until its time is up, then its line of the summary. A run
# that ends early (a sanitizer report, a crash) counts the actions its trace got to.
explore_target() {
    local target=$1 end=$((SECONDS + seconds)) runs=0 done_actions=0 failed=0
    while [ $SECONDS -lt $end ]; do
        local seed=$(( (RANDOM << 30) ^ (RANDOM << 15) ^ RANDOM ))
        local log="$logs/${target//./_}-$seed.log"
        local ran
        if "$bin" --editor "$target" --seed "$seed" --actions "$actions" --round-trips >"$log" 2>&1; then
            ran=$(sed -n 's/^explore: \([0-9]*\) actions, .* faults:.*/\1/p' "$log" | tail -1)
            rm -f "$log"
        else
            echo "FAILED: $bin --editor '$target' --seed $seed --actions $actions --round-trips (log $log)"
            failed=$((failed + 1))
            ran=$(sed -n -e 's/^explore: \([0-9]*\) actions, .* faults:.*/\1/p' \
                -e 's/^ *\([0-9]*\): .*/\1/p' "$log" | tail -1)
        fi
        runs=$((runs + 1))
        done_actions=$((done_actions + ${ran:-0}))
    done
    printf '%-10s %6d runs %9d actions %4d failed runs\n' "$target" "$runs" "$done_actions" "$failed" |
        tee "$logs/${target//./_}.sum"
}
export -f explore_target
export bin logs seconds actions
"$bin" --list | xargs -P "$jobs" -I{} bash -c 'explore_target "$@"' _ {}
echo "=== summary ($seconds s per target, $actions actions per run)"
cat "$logs"/*.sum
awk '{r += $2; a += $4; f += $6} END {printf "%-10s %6d runs %9d actions %4d failed runs\n", "all", r, a, f}' "$logs"/*.sum
ls "$logs"/*.log >/dev/null 2>&1 && { echo "Failed runs are kept in $logs/."; exit 1; }
echo "No faults found."
