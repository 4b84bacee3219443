#!/usr/bin/env bash
# Builds the whole suite, windowed tests included, with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs it under Xvfb. Leaks the system libraries keep until exit
# are suppressed (tools/lsan-system.supp); any other report fails the run. Slower than the
# CI pass: run it before landing changes to widgets, editors or the shell.
# Usage: tools/test-sanitize-all.sh [ctest arguments, e.g. -R Menu]
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-$(nproc)}
export GSETTINGS_BACKEND=memory
. tools/ccache-env.sh

cmake --preset sanitize-all >/dev/null
cmake --build --preset sanitize-all -j "$jobs" >/dev/null
. tools/sanitizer-env.sh build/sanitize-all
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
    ctest --test-dir build/sanitize-all --output-on-failure -j "$jobs" --timeout 900 "$@"
echo "The sanitized suite passed."
