#!/usr/bin/env bash
# Runs every fuzz target for a few seconds, starting from its kept inputs (fuzz/corpus/<name>,
# which also holds the crash inputs found so far as regression cases).
# Usage: fuzz/run.sh <build folder> <seconds per target>
set -euo pipefail
build=$1
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
status=0
for bin in "$build"/fuzz/fuzz_*; do
    [ -x "$bin" ] || continue
    name=$(basename "$bin")
    corpus="$here/corpus/$name"
    work=$(mktemp -d)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/ 2>/dev/null || true
    echo "--- $name"
    if ! "$bin" -max_total_time="$seconds" -rss_limit_mb=1024 -max_len=65536 -print_final_stats=0 \
            -artifact_prefix="$work/" "$work" >"$work.log" 2>&1; then
        tail -40 "$work.log"
        echo "$name failed; crash input kept in $work"
        status=1
    fi
    rm -f "$work.log"
done
exit $status
