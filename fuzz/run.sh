#!/usr/bin/env bash
# Runs every fuzz target for a few seconds, starting from its kept inputs (fuzz/corpus/<name>,
# which also holds the crash inputs found so far as regression cases). Targets run side by
# side, as many at once as asked (one per core by default).
# Usage: fuzz/run.sh <build folder> [seconds per target] [targets at once]
set -euo pipefail
build=$1
seconds=${2:-20}
parallel=${3:-$(nproc)}
here=$(cd "$(dirname "$0")" && pwd)
results=$(mktemp -d)

run_one() {
    local bin=$1 name corpus work
    name=$(basename "$bin")
    corpus="$here/corpus/$name"
    work=$(mktemp -d)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
    if "$bin" -max_total_time="$seconds" -rss_limit_mb=1024 -max_len=65536 -print_final_stats=0 \
            -artifact_prefix="$work/" "$work" >"$work.log" 2>&1; then
        echo "--- $name"
        rm -rf "$work"
    else
        echo "--- $name"
        tail -40 "$work.log"
        echo "$name failed; crash input kept in $work"
        touch "$results/$name.failed"
    fi
    rm -f "$work.log"
}
export -f run_one
export here seconds results

find "$build/fuzz" -maxdepth 1 -name 'fuzz_*' -type f -perm -u+x | sort |
    xargs -r -P "$parallel" -I{} bash -c 'run_one "$@"' _ {}
status=0
ls "$results"/*.failed >/dev/null 2>&1 && status=1
rm -rf "$results"
exit $status
