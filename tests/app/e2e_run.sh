#!/usr/bin/env bash
# Runs one real-program scenario on a private copy of the program folder, inside an X server of
# its own: each scenario owns its screen, keyboard focus, clipboard and sample game, so that
# scenarios run side by side (in both builds at once) and none changes the build's folder.
# Prints the scenario's time. The copy is removed after a pass and kept after a failure (the
# failed screen and the program's log are in it).
# Usage: e2e_run.sh <scenario script> <program folder> <program name> <sample game writer> [emulator]
set -u
script=$1 folder=$(cd "$2" && pwd) program=$3 writer=$4 emulator=${5:-}
name=$(basename "$script" .sh)
start=$SECONDS

command -v Xvfb >/dev/null || { echo "Xvfb missing: skipped"; exit 0; }
run=$(mktemp -d "${TMPDIR:-/tmp}/tavik-$name-XXXXXX")
game="$run/game"
mkdir -p "$game" "$run/tmp"
# The program changes to its own folder at start-up, found through /proc/self/exe, which
# resolves a symbolic link: it is hard-linked (copied across file systems), the data copied.
for exe in "$program" collection_info dmap_info lwo_info; do
    [ -e "$folder/$exe" ] && { ln "$folder/$exe" "$game/$exe" 2>/dev/null || cp "$folder/$exe" "$game/$exe"; }
done
for data in res charmap tags plugins local models import builder; do
    [ -e "$folder/$data" ] && cp -a "$folder/$data" "$game/"
done
rm -f "$game/res/prefs.txt"

# A display number of our own: servers are started one at a time (under a lock), each on the
# first number from 300 on with neither a lock file nor a socket, and the next waits until it
# answers. Xvfb then holds its own lock file, which other starters (xvfb-run -a) respect.
start_xvfb() {
    local n
    for ((n = 300; n < 400; n++)); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >>"$run/xvfb.log" 2>&1 9>&- &
        xvfb=$!
        for _ in $(seq 1 300); do
            DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1 && { display=$n; return 0; }
            kill -0 "$xvfb" 2>/dev/null || break
            sleep 0.1
        done
        kill "$xvfb" 2>/dev/null
    done
    return 1
}
exec 9>/tmp/tavik-e2e-xvfb.lock
flock 9
start_xvfb || { echo "FAILED: Xvfb did not start: $(cat "$run/xvfb.log")"; exit 1; }
exec 9>&-
export DISPLAY=":$display"

TMPDIR="$run/tmp" E2E_WRITER=$writer bash "$script" "$game" "$program" $emulator
code=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
echo "=== $name: $([ "$code" = 0 ] && echo passed || echo FAILED) in $((SECONDS - start)) s"
if [ "$code" = 0 ]; then rm -rf "$run"; else echo "kept: $run"; fi
exit "$code"
