#!/usr/bin/env bash
# The archive browser in the real program, on the generated sample game folder, as a user
# works with it: the browser shows at start; the add-on is deactivated through the archive
# menu, the program quits and starts again and the working set is in res/prefs.txt and
# restored; Ctrl+K on an archive tag writes its file in "local"; that tag is opened from
# the tree, edited and saved with Ctrl+S, and its bytes are checked on disk; Get Info renames
# it, and renames "Cliffs", which only an archive holds, into one new local file.
# The browser's placement is seeded, so its lists and rows stand where this script clicks.
# The sample game is written afresh first (the scenario adds local files).
# Run through e2e_run.sh: browser_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
game=$folder
$emulator "$writer" "$game" >/dev/null 2>&1 || fail "the sample game could not be written"

# The browser's frame in the normal layer (below the 28-pixel menu bar); its rows are 17
# pixels apart, the active list's first row 35 pixels below the frame's top.
bx=32 by=64
top=$((28 + by))
row() { echo $((top + 35 + 17 * $1)); }   # screen y of active-list row n (0-based)
rm -f res/prefs.txt
printf 'ArchiveBrowserPlacement "0 %d %d %d %d"\nShowSplash 0\n' $bx $by $((bx + 900)) $((by + 600)) >res/prefs.txt

key() { xdotool key --window "$window" "$@"; sleep "$slow"; }
click() {  # click <x> <y> [button]
    xdotool mousemove --window "$window" "$1" "$2"
    sleep 0.3
    xdotool click --window "$window" "${3:-1}"
    sleep "$slow"
}

start() {
    e2e_start
    e2e_wait_log_viewer
    # The browser's title bar is drawn once the first full frame is there.
    browser_drawn() {
        local title
        title=$(pixel "$window" $((bx + 300)) $((top + 10)))
        [ "$title" != none ] && [ "$title" != "$(pixel "$window" 1000 740)" ] &&
            [ "$(bright $((bx + 4)) $((top + 28)) 110 17)" -gt 20 ]
    }
    wait_for 40 browser_drawn || fail "the archive browser is not shown"
    sleep "$slow"
}
quit() {
    e2e_quit "$window"
    pid=""
}

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
paste_text "Edited. "
key ctrl+s
sleep $((2 * slow))
data=$(tail -c +65 "$notes" | tr '\r' '\n')
case "$data" in
"Edited. New lands to the east."*) ;;
*) fail "the saved text is: $data" ;;
esac

# 5. Get Info on the same tag renames it: its editor closed first (Ctrl+W; a tag in use keeps
#    its name), Ctrl+I opens the info window with the name box focused, the name is pasted over
#    and Ctrl+S renames the local file.
key ctrl+w
# Opening the window and drawing it first take a long step under the emulator, and the
# program drops the input events past 32 that queue meanwhile: the keys wait for its title bar
# (the next cascade place, over the empty right part of the tree).
before=$(pixel "$window" 400 155)
key ctrl+i
wait_change 400 155 "$before" "the info window"
sleep "$slow"
key ctrl+a
paste_text "Eastern Notes"
key ctrl+s
renamed="$game/local/text/Eastern Notes"
for _ in $(seq 1 $((10 * slow))); do
    [ -f "$renamed" ] && break
    sleep 0.5
done
[ -f "$renamed" ] || fail "Ctrl+S in the info window renamed nothing: $(ls "$game/local/text")"
[ ! -e "$notes" ] || fail "the old file stayed beside the renamed one"
name=$(head -c 36 "$renamed" | tail -c 32 | tr -d '\0')
[ "$name" = "Eastern Notes" ] || fail "the renamed file's header names '$name'"
data=$(tail -c +65 "$renamed" | tr '\r' '\n')
case "$data" in
"Edited. New lands to the east."*) ;;
*) fail "the renamed file's text is: $data" ;;
esac
key ctrl+w

# 6. Get Info on a tag that only "Expansion" holds: Collections (the top group of Expansion's
#    tree) > "Cliffs" (its first row) renamed "Crags" with Ctrl+S writes one local file under
#    the new name, and nothing else appears in local.
local_files() { (cd "$game/local" && find . -type f | sort); }
local_before=$(local_files)
click $((bx + 400)) $((top + 500))
step "the tree's top row" Home
step "the collections" Right
step "Cliffs" Down
before=$(screen)
key ctrl+i
wait_changed "$before" "the info window of Cliffs"
key ctrl+a
paste_text "Crags"
key ctrl+s
crags="$game/local/collections/Crags"
wait_for 10 test -f "$crags" || fail "Get Info wrote no local/collections/Crags: $(ls "$game/local/collections" 2>&1)"
sleep "$slow"
added=$(comm -13 <(echo "$local_before") <(local_files))
[ "$added" = "./collections/Crags" ] || fail "local gained other files: $added"
[ -z "$(comm -23 <(echo "$local_before") <(local_files))" ] || fail "files left local"
name=$(head -c 36 "$crags" | tail -c 32 | tr -d '\0')
[ "$name" = "Crags" ] || fail "the new file's header names '$name'"
[ "$(head -c 44 "$crags" | tail -c 4)" = "Clif" ] || fail "the new file is not the tag 'Clif'"
python3 - "$crags" "$game/tags/Expansion" <<'PY' || fail "the new file's data is not the archive's Cliffs"
import struct, sys
local, archive = open(sys.argv[1], "rb").read(), open(sys.argv[2], "rb").read()
meshes, count = struct.unpack(">HH", archive[100:104])
for i in range(count):
    e = archive[128 + 112 * meshes + 64 * i:][:64]
    if e[36:44] == b".256Clif":
        offset, size = struct.unpack(">II", e[44:52])
        sys.exit(0 if local[64:] == archive[offset:offset + size] and len(local) == 64 + size else 1)
sys.exit(1)
PY
key ctrl+w
quit
echo "passed"
