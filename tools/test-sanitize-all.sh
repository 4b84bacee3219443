#!/usr/bin/env bash
# Builds the whole suite, windowed tests included, with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs it under Xvfb. Leaks the system libraries keep until exit
# are suppressed (tools/lsan-system.supp); any other report fails the run. Slower than the
# CI pass: run it before landing changes to widgets, editors or the shell.
# Usage: tools/test-sanitize-all.sh [ctest arguments, e.g. -R Menu]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

jobs=${JOBS:-$(nproc)}
export GSETTINGS_BACKEND=memory
. tools/ccache-env.sh
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:verify_asan_link_order=0}
export LSAN_OPTIONS="suppressions=$root/tools/lsan-system.supp:print_suppressions=0"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

cmake --preset sanitize-all >/dev/null
cmake --build --preset sanitize-all -j "$jobs" >/dev/null
# The GL driver is unloaded before the leak check, which then cannot tell whose blocks are
# left: keep every library loaded (tools/lsan-keep-modules.c).
cc -shared -fPIC -O2 -o build/sanitize-all/lsan-keep-modules.so tools/lsan-keep-modules.c
export LD_PRELOAD="$root/build/sanitize-all/lsan-keep-modules.so"
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir build/sanitize-all --output-on-failure -j "$jobs" --timeout 900 "$@"
echo "The sanitized suite passed."
