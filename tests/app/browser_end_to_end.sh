#!/usr/bin/env bash
# The archive browser in the real program, on the generated sample game folder, as a user
# works with it: the browser shows at start; the add-on is deactivated through the archive
# menu, the program quits and starts again and the working set is in res/prefs.txt and
# restored; Ctrl+K on an archive tag writes its file in "local"; that tag is opened from
# the tree, edited and saved with Ctrl+S, and its bytes are checked on disk.
# The browser's placement is seeded, so its lists and rows stand where this script clicks.
# Needs a display (Xvfb), xdotool, ImageMagick's import and python3.
# The sample game is written afresh before and after (the scenario adds local files).
# Usage: browser_end_to_end.sh <program folder> <program name> <sample game writer> [emulator]
set -u
folder=$1 program=$2 writer=$3 emulator=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
log="${TMPDIR:-/tmp}/tavik-browser-end-to-end.log"
shot="${TMPDIR:-/tmp}/tavik-browser-end-to-end.png"
fail() {
    echo "FAILED: $*"
    [ -n "${window:-}" ] && import -window "$window" "$shot" 2>/dev/null && echo "screen: $shot"
    [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null
    exit 1
}

[ -n "${DISPLAY:-}" ] || { echo "no display: skipped"; exit 0; }
for tool in xdotool import python3; do
    command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 0; }
done
slow=1
if [ -n "$emulator" ]; then
    slow=6
    export GALLIUM_DRIVER=softpipe
fi

cd "$folder" || fail "no program folder $folder"
game=$(pwd)
fresh_game() { $emulator "$writer" "$game" >/dev/null 2>&1; }
fresh_game || fail "the sample game could not be written"
trap 'fresh_game; rm -f "$game/res/prefs.txt"' EXIT

# The browser's frame in the normal layer (below the 28-pixel menu bar); its rows are 17
# pixels apart, the active list's first row 35 pixels below the frame's top.
bx=32 by=64
top=$((28 + by))
row() { echo $((top + 35 + 17 * $1)); }   # screen y of active-list row n (0-based)
rm -f res/prefs.txt
printf 'ArchiveBrowserPlacement "0 %d %d %d %d"\nShowSplash 0\n' $bx $by $((bx + 900)) $((by + 600)) >res/prefs.txt

pixel() {  # pixel <x> <y>: "r g b", or "none"
    local p
    p=$(import -window "$window" -crop "1x1+$1+$2" -depth 8 rgb:- 2>/dev/null | od -An -tu1 | tr -s ' ' | sed 's/^ //;s/ $//')
    echo "${p:-none}"
}
# bright <x> <y> <w> <h>: how many pixels of the rectangle are light text (all channels > 170).
bright() {
    import -window "$window" -crop "$3x$4+$1+$2" -depth 8 rgb:- 2>/dev/null |
        python3 -c 'import sys; b=sys.stdin.buffer.read(); print(sum(1 for i in range(0,len(b)-2,3) if min(b[i],b[i+1],b[i+2])>170))'
}
key() { xdotool key --window "$window" "$@"; sleep "$slow"; }
click() {  # click <x> <y> [button]
    xdotool mousemove --window "$window" "$1" "$2"
    sleep 0.3
    xdotool click --window "$window" "${3:-1}"
    sleep "$slow"
}

start() {
    $emulator "./$program" >>"$log" 2>&1 &
    pid=$!
    window=""
    for _ in $(seq 1 $((60 * slow))); do
        window=$(xdotool search --onlyvisible --name '^Tavik$' 2>/dev/null | head -1)
        [ -n "$window" ] && break
        kill -0 "$pid" 2>/dev/null || fail "the program ended before showing its window: $(cat "$log")"
        sleep 0.5
    done
    [ -n "$window" ] || fail "no window appeared"
    # The browser's title bar is drawn once the first full frame is there.
    local title desk
    for _ in $(seq 1 $((40 * slow))); do
        sleep 1
        title=$(pixel $((bx + 300)) $((top + 10)))
        desk=$(pixel 1000 740)
        [ "$title" != none ] && [ "$title" != "$desk" ] && [ "$(bright $((bx + 4)) $((top + 28)) 110 17)" -gt 20 ] && break
    done
    [ "$title" != none ] && [ "$title" != "$desk" ] || fail "the archive browser is not shown (title $title, desktop $desk)"
    sleep "$slow"
}

quit() {
    local code=""
    for _ in $(seq 1 $((20 * slow))); do
        python3 "$here/../../tools/x11_close_window.py" "$window" 2>/dev/null
        sleep "$slow"
        xdotool key --window "$window" Return 2>/dev/null
        for _ in 1 2 3 4; do
            sleep 0.5
            if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; code=$?; break 2; fi
        done
    done
    [ -n "$code" ] || fail "the program did not quit"
    [ "$code" = 0 ] || fail "exit code $code"
    pid=""
}

: >"$log"
# 1. The browser shows at start; the add-on ("Sample Addon", the sixth entry) is deactivated
#    through its list's menu.
start
[ "$(bright $((bx + 4)) $(($(row 5) - 8)) 110 17)" -gt 20 ] || fail "the add-on is not in the active list"
click $((bx + 40)) "$(row 5)"
click $((bx + 40)) "$(row 5)" 3
key Down Down Return
sleep "$slow"
quit
grep -qx 'CodexWorkingSet "Foundation;Expansion;"' res/prefs.txt ||
    fail "the working set is not stored: $(grep CodexWorkingSet res/prefs.txt)"

# 2. Restarted: the add-on stays inactive (the inactive list shows "Classic" and it; the
#    active list has five entries).
start
grep -q 'CodexWorkingSet' res/prefs.txt || fail "the working set went"
[ "$(bright $((bx + 4)) $(($(row 5) - 8)) 110 17)" -lt 10 ] || fail "the add-on is active again"
inactive=$((top + 167))
[ "$(bright $((bx + 4)) $((inactive + 17 - 8)) 110 17)" -gt 20 ] || fail "the add-on is not in the inactive list"

# 3. Ctrl+K on an archive tag: "Expansion" (the fifth entry) is selected, so the tree lists its
#    tags only; "Text" is its last group, and "Expansion Notes" (in no other archive) the first
#    row under it.
click $((bx + 40)) "$(row 4)"
click $((bx + 400)) $((top + 500))
# With no current row the first End selects the top row, the second the last.
key End
key End
key Right
key Down
key ctrl+k
sleep "$slow"
notes="$game/local/text/Expansion Notes"
[ -f "$notes" ] || fail "Ctrl+K wrote no file in local: $(ls "$game/local/text")"
size=$(stat -c %s "$notes")
[ "$size" = $((64 + 23)) ] || fail "the copied tag has $size bytes"

# 4. The same tag opened from the tree (Enter), edited in its text editor and saved with
#    Ctrl+S into its local file.
key Return
sleep $((2 * slow))
xdotool type --window "$window" --delay $((100 * slow)) "Edited. "
sleep "$slow"
key ctrl+s
sleep $((2 * slow))
data=$(tail -c +65 "$notes" | tr '\r' '\n')
case "$data" in
"Edited. New lands to the east."*) ;;
*) fail "the saved text is: $data" ;;
esac
quit
echo "passed"
