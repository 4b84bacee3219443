#!/usr/bin/env bash
# The collection editor in the real program, reached as a user reaches it: the sample game's
# "Rocks" opened from the archive browser, "Monsters" unticked on the "Flags" page, the colour
# table saved with the "Color Table" page's right-button menu ("Save Color Table As...", a path
# pasted into the native dialog) and the collection saved with Ctrl+S; then, on "Bitmaps", the
# sample's "import/Pebble.png" added from the page's right-button menu, "Merge Identical
# Bitmaps" on "Optimize" and Ctrl+S again; then File > New Collection, a name and Ctrl+S.
# Checked with our reader (collection_info): the first save differs from the archive copy only
# in the "Monsters" bit, the ".act" holds its table, the second lists the archive's bitmaps
# without the duplicate "Boulder 1 Again" and with "Pebble" last, and the new collection is
# empty. Between them, "Boulder 2" is deleted on "Bitmaps" while the sequence editor of "Roll",
# whose frame 1 shows it, is open: that cell's caption becomes "<no bitmap>" at the redraw, and
# the file saved then holds neither the bitmap nor the cell's reference to it.
# Run through e2e_run.sh: collection_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
rocks="$folder/local/collections/Rocks"
fresh_name="Fresh Pebbles"
fresh="$folder/local/collections/$fresh_name"
info() { $emulator ./collection_info "$folder" "$1" 2>/dev/null; }
archive_copy=$(info Rocks) || fail "collection_info cannot read the archive's Rocks"
printf 'ShowSplash 0\n' >res/prefs.txt

# The first point of the window showing exactly this colour, as "x y".
find_colour() {  # find_colour <r> <g> <b>
    import -window "$window" -depth 8 rgb:- 2>/dev/null | python3 -c '
import sys
r, g, b, w = (int(a) for a in sys.argv[1:5])
data = sys.stdin.buffer.read()
i = data.find(bytes([r, g, b]))
while i >= 0 and i % 3:
    i = data.find(bytes([r, g, b]), i + 1)
if i >= 0:
    print(i // 3 % w, i // 3 // w)
' "$@" "$(xdotool getwindowgeometry --shell "$window" | sed -n 's/^WIDTH=//p')"
}

e2e_start
e2e_wait_log_viewer

# "Rocks" from the browser's tree; the editor opens on "Bitmaps" with the keys on its tabs.
open_tag_seen "" 1 R  # "Collections", after "Collection References"
# "Flags" is the sixth tab; its first box ("Textures") has the focus, Tab reaches "Monsters".
step "going to the Flags page" ctrl+Right ctrl+Right ctrl+Right ctrl+Right ctrl+Right
keys Tab
keys space
# "Color Table" is the tab before; colour 0 of "Rocks" is pure green.
keys ctrl+Left
cell=""
for _ in $(seq 1 $((10 * slow))); do
    cell=$(find_colour 0 255 0)
    [ -n "$cell" ] && break
    sleep 0.5
done
[ -n "$cell" ] || fail "no colour cell on the Color Table page"
read -r cx cy <<<"$cell"
before=$(screen)
xdotool mousemove --window "$window" $((cx + 5)) $((cy + 5)) click 3
wait_changed "$before" "the Color Table menu"
keys Down
keys Return
dialog_answer "Export Color Table" "ctrl+l ctrl+a" "$work/rocks.act"
wait_for 10 test -s "$work/rocks.act" || fail "no colour table was written: $(ls "$work")"
rocks_saved() { test -s "$rocks"; }
ctrl_s rocks_saved "a local copy of Rocks"
flags_copy=$(info Rocks) || fail "collection_info cannot read the first saved Rocks"

# "Bitmaps" is four tabs to the left; it lies where the colour grid was. In its right-button
# menu "a" highlights "All Bitmaps" and a second "a" "Add Bitmap(s) from File(s)".
step "going to the Bitmaps page" ctrl+Left ctrl+Left ctrl+Left ctrl+Left
# The page's count ("9 Bitmaps:") changes once the import is done; keys sent while its long
# step runs can be dropped.
count_label() { import -window "$window" -crop 100x18+72+150 -depth 8 rgb:- 2>/dev/null | md5sum | cut -c1-32; }
count_before=$(count_label)
recounted() { [ "$(count_label)" != "$count_before" ] && [ "$(bright 72 150 100 18)" -gt 20 ]; }
before=$(screen)
xdotool mousemove --window "$window" $((cx + 150)) $((cy + 120)) click 3
wait_changed "$before" "the Bitmaps menu"
keys a
keys a
keys Return
dialog_answer "Import Bitmaps" ctrl+l "$folder/import/Pebble.png"
wait_for 30 recounted || fail "the Bitmaps page does not count the imported bitmap"
sleep "$slow"
# "Optimize" is the last tab; Tab goes from "Delete Unused Bitmaps" to "Merge Identical
# Bitmaps", whose report box Enter closes.
step "going to the Optimize page" ctrl+Right ctrl+Right ctrl+Right ctrl+Right ctrl+Right ctrl+Right
keys Tab
step "Merge Identical Bitmaps" space
step "closing the merge report" Return
saved_again() { [ "$(info Rocks)" != "$flags_copy" ]; }
ctrl_s saved_again "Rocks again (the saved file did not change)"

# ---- A bitmap shown by an open sequence editor deleted on the Bitmaps page -------------------
# The Bitmaps tab clicked gives the tabs the keys; "Sequences" is two to the right, where Down
# selects "Roll" and Return opens its sequence editor (800 x 600, centred). The collection
# editor, clicked on its title bar, comes forward over its upper part and leaves frame 1's row
# in sight: the shadow cell's caption "<no bitmap>" beside the view cell's "Boulder 2".
click_seen 106 132 "the Bitmaps tab"
step "going to the Sequences page" ctrl+Right ctrl+Right
step "choosing Roll" Down
step "opening Roll's sequence editor" Return
click_seen 90 107 "bringing the collection editor forward"
click_seen 106 132 "the Bitmaps page"
# A caption's light text pixels (the two cells' captions are centred a pixel apart or so).
caption() { bright "$1" 522 104 18; }
[ "$(caption 239)" != "$(caption 136)" ] || fail "Roll's frame 1 does not show Boulder 2"
# "Boulder 2" is the table's second row; Delete asks, Return answers "Delete". The redraw that
# follows shows the cell's caption as the shadow cell's ("<no bitmap>").
click_seen 100 203 "selecting Boulder 2"
step "the delete question" Delete
step "deleting Boulder 2" Return
cell_cleared() { [ "$(caption 239)" = "$(caption 136)" ]; }
wait_for 20 cell_cleared || fail "Roll's cell still shows the deleted bitmap's caption"
deleted_copy=$(info Rocks)
saved_deleted() { [ "$(info Rocks)" != "$deleted_copy" ]; }
ctrl_s saved_deleted "Rocks after the delete"
deleted_copy=$(info Rocks) || fail "collection_info cannot read Rocks after the delete"
grep -qx "bitmap Boulder 2" <<<"$deleted_copy" && fail "the saved Rocks still holds Boulder 2"
grep -q "^cell 0 1 0 bitmap -1 " <<<"$deleted_copy" || fail "Roll's frame 1 still has a bitmap: $(grep '^cell 0 1 0' <<<"$deleted_copy")"
# ---- end of the delete step ----------------------------------------------------------------

# File > New Collection: Down highlights "Add Archives", the next Down "New Collection".
before=$(screen)
xdotool mousemove --window "$window" 16 10 click 1
wait_changed "$before" "the File menu"
keys Down
keys Down
step "the new collection's name question" Return
paste_text "$fresh_name"
step "the new collection" Return
fresh_saved() { test -s "$fresh"; }
ctrl_s fresh_saved "the new collection"

e2e_quit "$window" focus

local_copy=$(info Rocks) || fail "collection_info cannot read the saved Rocks"
flags() { sed -n 's/^flags //p' <<<"$1"; }
before_flags=$(flags "$archive_copy") after_flags=$(flags "$flags_copy")
[ $((before_flags & ~2)) = $((after_flags)) ] && [ $((before_flags & 2)) = 2 ] ||
    fail "flags $before_flags became $after_flags, not only bit 1 cleared"
[ "$(grep -v '^flags' <<<"$archive_copy")" = "$(grep -v '^flags' <<<"$flags_copy")" ] ||
    fail "the first saved Rocks differs from the archive copy beyond its flags"
names() { sed -n 's/^bitmap //p' <<<"$1"; }
grep -qx "bitmap Boulder 1 Again" <<<"$archive_copy" || fail "the archive's Rocks has no duplicate bitmap"
expected_names=$(names "$archive_copy" | grep -vx -e "Boulder 1 Again" -e "Boulder 2"; echo Pebble)
[ "$(names "$local_copy")" = "$expected_names" ] ||
    fail "the saved bitmaps are $(names "$local_copy" | tr '\n' ,) not $(tr '\n' , <<<"$expected_names")"
count=$(sed -n 's/^bitmaps //p' <<<"$local_copy")
[ "$count" = "$(wc -l <<<"$expected_names")" ] || fail "the saved Rocks counts $count bitmaps"
[ "$(flags "$local_copy")" = "$after_flags" ] || fail "the second save changed the flags"
table=$(sed -n 's/^table //p' <<<"$local_copy")
act=$(head -c 768 "$work/rocks.act" | od -An -tx1 -v | tr -d ' \n')
[ "$act" = "$table" ] || fail "the .act does not hold the collection's table"
new=$(info "$fresh_name") || fail "collection_info cannot read the new collection"
for line in "bitmaps 0" "sequences 0" "hue changes 0"; do
    grep -qx "$line" <<<"$new" || fail "the new collection is not empty: $new"
done
echo "passed"
