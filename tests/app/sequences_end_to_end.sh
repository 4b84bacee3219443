#!/usr/bin/env bash
# The collection editor's "Sequences" page in the real program: the sample game's "Rocks"
# opened from the archive browser, its sequence "Roll" activated on the page, the cell of frame
# 0, view 0 activated in the sequence editor, and in the frame editor Shift+Right pressed twice
# (the bitmap moves two pixels right against its registration point); then the collection
# editor clicked and saved with Ctrl+S. Checked with our reader (collection_info):
# the local "Rocks" differs from the archive copy only in that cell's registration point, two
# pixels further left.
# Needs a display (Xvfb), xdotool, ImageMagick's import and python3.
# Usage: sequences_end_to_end.sh <program folder> <program name> [emulator]
set -u
folder=$(cd "$1" && pwd) program=$2 emulator=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tavik-e2e-sequences-XXXXXX")
rocks="$folder/local/collections/Rocks"
cleanup() {
    [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null
    rm -f "$rocks" "$folder/res/prefs.txt"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    import -window root "${TMPDIR:-/tmp}/tavik-e2e-sequences-failed.png" 2>/dev/null
    exit 1
}

. "$here/e2e_support.sh"
e2e_require_display
cd "$folder" || fail "no program folder $folder"
rm -f "$rocks"
info() { $emulator ./collection_info "$folder" "$1" 2>/dev/null; }
archive_copy=$(info Rocks) || fail "collection_info cannot read the archive's Rocks"
cell_before=$(grep '^cell 0 0 0 ' <<<"$archive_copy") || fail "the archive's Rocks has no first cell: $archive_copy"
printf 'ShowSplash 0\n' >res/prefs.txt
log="$work/log"
e2e_start
e2e_wait_log_viewer

# "Rocks" from the browser's tree; the editor opens on "Bitmaps" with the keys on its tabs.
open_tag_seen "" 1 R  # "Collections", after "Collection References"
# "Sequences" is the third tab; its list takes the keys: Down selects "Roll", Return opens
# its sequence editor with the keys on the grid.
step "going to the Sequences page" ctrl+Right ctrl+Right
step "choosing Roll" Down
step "opening Roll's sequence editor" Return
# Right twice: the "Shadow" cell of frame 0, then its view 0; Return opens the frame editor
# with the keys on its frame view.
step "going to the Shadow cell" Right
step "going to the cell of view 0" Right
step "opening the frame editor" Return
step "moving the bitmap" shift+Right
step "moving the bitmap again" shift+Right
# Back to the collection editor (its list shows left of the editors opened over it) and Ctrl+S.
before=$(screen)
xdotool mousemove --window "$window" 75 380 click 1
wait_changed "$before" "bringing the collection editor forward"
rocks_saved() { test -s "$rocks"; }
ctrl_s rocks_saved "a local copy of Rocks"

e2e_quit "$window" focus
pid=""

local_copy=$(info Rocks) || fail "collection_info cannot read the saved Rocks: $(cat "$work/log")"
cell_after=$(grep '^cell 0 0 0 ' <<<"$local_copy") || fail "the saved Rocks has no first cell"
read -r _ _ _ _ _ bitmap_before _ x_before y_before _ <<<"$cell_before"
read -r _ _ _ _ _ bitmap_after _ x_after y_after _ <<<"$cell_after"
[ "$bitmap_after" = "$bitmap_before" ] || fail "the cell's bitmap $bitmap_before became $bitmap_after"
[ "$x_after" = $((x_before - 2)) ] && [ "$y_after" = "$y_before" ] ||
    fail "the registration point ($x_before, $y_before) became ($x_after, $y_after), not two pixels left"
strip() { grep -v -e '^cell 0 0 0 ' -e '^view 0 0 ' -e '^content ' <<<"$1"; }
[ "$(strip "$archive_copy")" = "$(strip "$local_copy")" ] ||
    fail "the saved Rocks differs from the archive copy beyond the moved cell: $(diff <(strip "$archive_copy") <(strip "$local_copy"))"
echo "passed"
