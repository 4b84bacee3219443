#!/usr/bin/env bash
# Builds Tavik for x86-64 and i386 and runs every test: both architectures, a sanitizer build
# of the headless tests, the windowed tests under UndefinedBehaviorSanitizer and again under
# AddressSanitizer with it, the exploration seeds and a short fuzzing pass. Installs missing Debian packages first.
#
# One build compiles at a time (all cores, bounded memory); each build's tests then run in the
# background while the next build compiles, the slowest (i386 under the emulator) first. The
# real-program scenarios (label e2e) are a stage of their own per build: each brings its own X
# server and program folder, and they run all at once, since they mostly wait for the screen.
# Every stage writes build/logs/<stage>.log and prints its time; a failed stage shows its log's
# end and fails the run after all stages have finished.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

jobs=$(nproc)
export GSETTINGS_BACKEND=memory
. tools/ccache-env.sh
logs=build/logs
mkdir -p "$logs"
rm -f "$logs"/*.log "$logs"/*.status "$logs/times"

# GUI tests need an X server: each suite runs inside its own Xvfb. Suites start from different
# display numbers so that servers started at the same moment do not race for one. -noreset: a
# server resets when its last client leaves, and a test that connects during the reset finds
# no display (seen on two loaded cores).
run_ctest() {
    local display=$1 dir=$2
    shift 2
    xvfb-run -a -n "$display" -s "-screen 0 1280x1024x24 -noreset" \
        ctest --test-dir "$dir" --output-on-failure -j "$jobs" "$@"
}

build() {
    local preset=$1 start=$SECONDS
    echo "=== build $preset"
    cmake --preset "$preset" >"$logs/build-$preset.log" 2>&1 &&
        cmake --build --preset "$preset" -j "$jobs" >>"$logs/build-$preset.log" 2>&1 || {
        grep -E 'error|Error' "$logs/build-$preset.log" | head -40
        echo "build $preset failed; see $logs/build-$preset.log"
        return 1
    }
    grep -E 'warning' "$logs/build-$preset.log" || true
    echo "build $preset $((SECONDS - start)) s" >>"$logs/times"
    echo "=== build $preset done in $((SECONDS - start)) s"
}

# Runs a test stage in the background, timing it and recording its result.
stage() {
    local name=$1
    shift
    (
        start=$SECONDS
        if "$@" >"$logs/$name.log" 2>&1; then
            echo "=== $name passed in $((SECONDS - start)) s"
            echo "$name $((SECONDS - start)) s" >>"$logs/times"
            echo ok >"$logs/$name.status"
        else
            echo "=== $name FAILED after $((SECONDS - start)) s"
            echo "$name $((SECONDS - start)) s (failed)" >>"$logs/times"
            tail -60 "$logs/$name.log"
            echo failed >"$logs/$name.status"
        fi
    ) &
}

test_i386() {
    # Every test runs in the emulated build too: with llvmpipe (tools/i386-gl.sh) a pixel probe
    # takes seconds there.
    # The exploration runs (label explore) run in the sanitizer stage below instead.
    (. tools/i386-gl.sh && run_ctest 110 build/i386 -LE 'e2e|explore')
}
test_x86_64() { run_ctest 130 build/x86-64 -LE e2e; }
# The scenarios' longest time limits start first (their cost).
scenarios() { ctest --test-dir "$1" --output-on-failure -L e2e -j 16; }
test_i386_scenarios() { (. tools/i386-gl.sh && scenarios build/i386); }
test_x86_64_scenarios() { scenarios build/x86-64; }
test_sanitize() { run_ctest 150 build/sanitize; }
test_ubsan_gui() {
    # HostServices_gui answers real GTK dialogs through xdotool; in the unoptimised sanitizer
    # builds it does not finish within its timeout, and the real-program scenarios wait on
    # native dialogs and the screen with timings made for optimised builds: both run in the
    # optimised suites only.
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_ctest 170 build/ubsan -L gui -LE e2e -E HostServices_gui
}
# The exploration driver's fixed seeds and the windowed tests under AddressSanitizer and
# UndefinedBehaviorSanitizer (the preset that covers the windowed code). With a warm compiler
# cache the rest of the suite adds about a minute of building to the driver's on two cores,
# and the windowed tests half a minute. HostServices_gui stays out as in the UBSan stage.
build_explore() {
    local start=$SECONDS
    echo "=== build sanitize-all"
    cmake --preset sanitize-all >"$logs/build-explore.log" 2>&1 &&
        cmake --build --preset sanitize-all -j "$jobs" >>"$logs/build-explore.log" 2>&1 || {
        grep -E 'error|Error' "$logs/build-explore.log" | head -40
        return 1
    }
    echo "build sanitize-all $((SECONDS - start)) s" >>"$logs/times"
}
test_explore() {
    (. tools/sanitizer-env.sh build/sanitize-all &&
        ctest --test-dir build/sanitize-all --output-on-failure -j "$jobs" -L explore)
}
test_asan_gui() {
    (. tools/sanitizer-env.sh build/sanitize-all && run_ctest 190 build/sanitize-all -L gui -LE 'e2e|explore' -E HostServices_gui)
}
test_fuzz() { bash fuzz/run.sh build/fuzz 20 "$jobs"; }

start=$SECONDS
failed=0
if build i386; then
    stage i386-scenarios test_i386_scenarios
    stage i386-tests test_i386
else
    failed=1
fi
if build x86-64; then
    stage x86-64-scenarios test_x86_64_scenarios
    stage x86-64-tests test_x86_64
else
    failed=1
fi
build sanitize && stage sanitize-tests test_sanitize || failed=1
build ubsan && stage ubsan-gui-tests test_ubsan_gui || failed=1
if build_explore; then
    stage explore test_explore
    stage asan-gui-tests test_asan_gui
else
    failed=1
fi
if [ -f fuzz/CMakeLists.txt ]; then
    build fuzz && stage fuzz test_fuzz || failed=1
fi
echo "=== all builds done after $((SECONDS - start)) s; waiting for the tests"
wait
for s in "$logs"/*.status; do
    [ -e "$s" ] || continue
    [ "$(cat "$s")" = ok ] || failed=1
done
echo "=== finished after $((SECONDS - start)) s"
echo "=== times (builds one after another, test stages side by side):"
sed 's/^/    /' "$logs/times"
# Each real-program scenario's time, slowest first.
for f in "$logs"/*-scenarios.log; do
    [ -e "$f" ] || continue
    grep 'Test *#.*app/.* sec' "$f" | sed -E "s|^.*(app/[A-Za-z]+) .* ([0-9.]+) sec\$|\2 s $(basename "$f" -scenarios.log) \1|"
done | sort -rn | sed 's/^/    /'
echo "=== slowest other tests:"
grep -h 'Test *#.* sec$' "$logs"/*-tests.log 2>/dev/null |
    sed -E 's|^.*Test *#[0-9]+: ([^ ]+) .* ([0-9.]+) sec$|\2 s \1|' | sort -rn | head -8 | sed 's/^/    /' || true
# One closing line for the whole run, summed from every suite's ctest summary.
grep -h 'tests passed, ' "$logs"/*-tests.log "$logs"/*-scenarios.log 2>/dev/null |
    sed -E 's/.*, ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/' |
    awk '{ f += $1; t += $2 } END { if (t) printf "ctest: %d passed, %d failed\n", t - f, f }' || true

if [ "$failed" != 0 ]; then
    echo "Some tests failed."
    exit 1
fi
echo "All tests passed."
