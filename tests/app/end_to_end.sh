#!/usr/bin/env bash
# Starts the real program from its output folder on the generated sample game folder, waits
# for its window and for the splash to go, checks that something was drawn, closes the window
# as a window manager would, and checks that the program quit with 0 and saved its
# preferences.
# Run through e2e_run.sh: end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
e2e_start

# Something is drawn: the corner of the screen shows the desktop's background, and the menu
# bar runs along the top, in another colour than the desktop below it. Under an emulator the
# window shows its cleared background for a while before the first full frame: wait for both.
corner=none bar=none desk=none
for _ in $(seq 1 $((40 * slow))); do
    sleep 1
    corner=$(pixel "$window" 8 700)
    bar=$(pixel "$window" 900 12)
    desk=$(pixel "$window" 900 600)
    [ "$corner" != none ] && [ "$corner" != "0 0 0" ] && [ "$bar" != none ] && [ "$bar" != "$desk" ] && break
done
[ "$corner" != none ] && [ "$corner" != "0 0 0" ] || fail "nothing was drawn (corner $corner)"
[ "$bar" != none ] && [ "$bar" != "$desk" ] || fail "no menu bar (bar $bar, desktop $desk)"

# The splash is modal and a close request is refused (with a beep) while it shows: ask again
# until the quit question comes, and answer it with Enter, which presses its first button,
# "Quit".
e2e_quit "$window"
grep -qx 'ShowSplash 0' res/prefs.txt || fail "res/prefs.txt lacks ShowSplash 0: $(cat res/prefs.txt 2>&1)"
grep -qx 'VornPath "."' res/prefs.txt || fail "res/prefs.txt lacks the game folder"
echo "passed"
