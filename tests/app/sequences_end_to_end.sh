#!/usr/bin/env bash
# The collection editor's "Sequences" page in the real program: the sample game's "Rocks"
# opened from the archive browser, its sequence "Roll" activated on the page; then the
# collection editor clicked forward, its "Bitmaps" page shown as a grid, and the bitmap
# "Boulder Ring" dragged with the mouse from it onto the cell of frame 2, view 0 of the
# sequence editor. That cell clicked and activated with Return opens its frame editor, where
# Shift+Right pressed twice moves the bitmap two pixels right against its registration point;
# then the collection editor clicked and saved with Ctrl+S. Checked with our reader
# (collection_info): the local "Rocks" differs from the archive copy only in that cell, which
# shows "Boulder Ring" with its registration point two pixels further left.
# Run through e2e_run.sh: sequences_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
rocks="$folder/local/collections/Rocks"
info() { $emulator ./collection_info "$folder" "$1" 2>/dev/null; }
archive_copy=$(info Rocks) || fail "collection_info cannot read the archive's Rocks"
cell_before=$(grep '^cell 0 2 0 ' <<<"$archive_copy") || fail "the archive's Rocks has no third frame: $archive_copy"
ring=$(sed -n 's/^image \([0-9]*\) .* Boulder Ring$/\1/p' <<<"$archive_copy")
[ -n "$ring" ] || fail "the archive's Rocks has no bitmap Boulder Ring"
read -r _ _ _ _ _ bitmap_before _ x_before y_before _ <<<"$cell_before"
[ "$bitmap_before" != "$ring" ] || fail "the cell shows Boulder Ring already"
printf 'ShowSplash 0\n' >res/prefs.txt
e2e_start
e2e_wait_log_viewer

# "Rocks" from the browser's tree; the editor opens on "Bitmaps" with the keys on its tabs.
open_tag_seen "" 1 R  # "Collections", after "Collection References"
# "Sequences" is the third tab; its list takes the keys: Down selects "Roll", Return opens
# its sequence editor (800 x 600, centred on the screen) with the keys on the grid.
step "going to the Sequences page" ctrl+Right ctrl+Right
step "choosing Roll" Down
step "opening Roll's sequence editor" Return
# The collection editor (575 x 360 at 65, 92) shows the left end of its title bar beside the
# sequence editor; clicked there it comes forward, and its lower edge leaves the sequence
# editor's third row (frame 2) in sight. Its "Bitmaps" tab, then the page's "Grid" button.
click_seen 90 107 "bringing the collection editor forward"
click_seen 106 132 "the Bitmaps page"
click_seen 601 158 "the Bitmaps grid"
# The third thumbnail is "Boulder Ring": a click selects it, a press on it and a move of
# more than three pixels drag it; each move waits for the program, which under an emulator
# handles it seconds later. Released on the cell of view 0 in the sequence editor's third
# row, it replaces that cell's bitmap and the collection editor's title gains its "*".
click_seen 333 235 "selecting Boulder Ring"
xdotool mousedown --window "$window" 1
sleep "$slow"
for point in "340 250" "330 400" "300 580" "291 630"; do
    xdotool mousemove --window "$window" $point
    sleep "$slow"
done
before=$(screen)
xdotool mouseup --window "$window" 1
wait_changed "$before" "dropping Boulder Ring on the cell"
# The cell clicked (the sequence editor comes forward with the keys on its grid) and
# activated: its frame editor opens with the keys on its frame view.
click_seen 291 630 "choosing the cell of frame 2, view 0"
step "opening the frame editor" Return
step "moving the bitmap" shift+Right
step "moving the bitmap again" shift+Right
# Back to the collection editor by its title bar and Ctrl+S.
click_seen 90 107 "bringing the collection editor forward again"
rocks_saved() { test -s "$rocks"; }
ctrl_s rocks_saved "a local copy of Rocks"

e2e_quit "$window" focus
pid=""

local_copy=$(info Rocks) || fail "collection_info cannot read the saved Rocks: $(cat "$log")"
cell_after=$(grep '^cell 0 2 0 ' <<<"$local_copy") || fail "the saved Rocks has no third frame"
read -r _ _ _ _ _ bitmap_after _ x_after y_after _ <<<"$cell_after"
[ "$bitmap_after" = "$ring" ] || fail "the cell's bitmap $bitmap_before became $bitmap_after, not Boulder Ring ($ring)"
[ "$x_after" = $((x_before - 2)) ] && [ "$y_after" = "$y_before" ] ||
    fail "the registration point ($x_before, $y_before) became ($x_after, $y_after), not two pixels left"
strip() { grep -v -e '^cell 0 2 0 ' -e '^view 2 0 ' -e '^content ' <<<"$1"; }
[ "$(strip "$archive_copy")" = "$(strip "$local_copy")" ] ||
    fail "the saved Rocks differs from the archive copy beyond the changed cell: $(diff <(strip "$archive_copy") <(strip "$local_copy"))"
echo "passed"
