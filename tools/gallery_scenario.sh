#!/usr/bin/env bash
# The gallery's walk through the real program (see tools/gallery.sh): every kind of window a
# user can reach on the sample game, each photographed as the whole screen into $GALLERY_OUT
# with its title listed in $GALLERY_OUT/titles.txt. A step that does not show what it should
# is noted and the walk goes on: the gallery is for looking at, not a test.
# Run through tests/app/e2e_run.sh: gallery_scenario.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/app/e2e_support.sh"
e2e_begin "$@"
out=${GALLERY_OUT:?GALLERY_OUT names the folder for the pictures}
: >"$out/titles.txt"
printf 'ShowSplash 0\n' >res/prefs.txt

# shot <file> <title> [screen]: the screen once the program has settled; the program's window
# from it, or with "screen" all of it (the host's dialogs may be larger than the program).
shot() {
    local n
    for n in 1 2 3 4 5 6; do
        a=$(screen); sleep "$slow"; [ "$a" = "$(screen)" ] && break
    done
    # The program's window (native dialogs open over it) from the whole screen.
    local g
    g=$(xdotool getwindowgeometry --shell "$window" 2>/dev/null | tr '\n' ' ')
    eval "local $g"
    if [ "${3:-}" = screen ]; then
        X=0 Y=0
        read -r WIDTH HEIGHT < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')
    fi
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png" 2>/dev/null ||
        echo "no picture for $1"
    echo "$1|$2" >>"$out/titles.txt"
    echo "shot $1: $2"
}
# Tries a step whose effect shows on screen; notes it when nothing changed and goes on.
try_step() {
    local before
    before=$(screen)
    keys "${@:2}"
    wait_for 10 changed_from "$before" || echo "note: nothing changed after $1"
    sleep "$slow"
}
close_front() { keys ctrl+w; sleep "$slow"; }
# click_try <x> <y> <what>: a left click that should change the screen; noted when it did not.
click_try() {
    local before
    before=$(screen)
    xdotool mousemove --window "$window" "$1" "$2" click 1
    wait_for 10 changed_from "$before" || echo "note: nothing changed after $3"
    sleep "$slow"
}
# open_first <start of a group's plural name>: the group's first tag in the browser's tree.
open_first() {
    tree_top
    typed "$1"
    keys Right
    keys Down
    try_step "opening the first tag of $1" Return
}

e2e_start
e2e_wait_log_viewer
# The Log Viewer shows at start-up behind the browser: a click on its title brings it forward
# with the keyboard, and once photographed Ctrl+W hides it, so that no later picture has it.
click_try 200 75 "bringing the Log Viewer forward"
shot log-viewer "Log Viewer (shown at start-up with the sample game's notes)"
try_step "closing the Log Viewer" ctrl+w
shot archive-browser "Archive browser"

# The menu bar: File opened with a click, the others one by one with Right.
xdotool mousemove --window "$window" 16 10 click 1
sleep "$slow"
keys Down
shot menu-file "File menu"
for m in tools window debug help; do
    keys Right
    shot "menu-$m" "${m^} menu"
done
keys Escape Escape Escape
sleep "$slow"

# About box: Help's only item.
xdotool mousemove --window "$window" 16 10 click 1
sleep "$slow"
keys Down Left Return
sleep "$slow"
shot about "About box"
click_try 512 384 "closing the About box"

# The collection editor on "Rocks", each of its seven pages.
open_tag_seen "" 1 R  # "Collections", after "Collection References"
pages=(bitmaps shadows sequences animations color-table flags optimize)
titles=(Bitmaps Shadows Sequences Animations "Color Table" Flags Optimize)
for i in 0 1 2 3 4 5 6; do
    [ "$i" = 0 ] || try_step "the next collection page" ctrl+Right
    shot "collection-${pages[$i]}" "Collection editor: ${titles[$i]} page"
done
# Bitmaps: the first row's bitmap window (a double click on the row).
click_try 106 132 "the Bitmaps tab"
xdotool mousemove --window "$window" 100 186 click --repeat 2 --delay 80 1
sleep $((2 * slow))
shot bitmap-window "Bitmap window"
# Ctrl+W closes the bitmap window alone; the collection editor behind it takes the keys back.
try_step "closing the bitmap window" ctrl+w
# Sequences: "Roll" in the sequence editor, then a double click on its first frame's bitmap
# opens the frame editor.
try_step "going to the Sequences page" ctrl+Right ctrl+Right
try_step "choosing Roll" Down
try_step "opening Roll's sequence editor" Return
shot sequence-editor "Sequence editor"
# The frame is chosen first: under the emulator the redraw of a newly chosen cell parts the two
# clicks of a double click, and the frame editor would not open.
click_try 292 320 "choosing the first frame"
xdotool mousemove --window "$window" 292 320 click --repeat 2 --delay 80 1
sleep $((2 * slow))
shot frame-editor "Frame editor"
close_front
close_front
close_front

# The tag editors from the browser's tree.
open_first "Text"
shot editor-text "Text editor"
close_front
open_first "String"
shot editor-string-list "String list editor"
close_front
open_tag "Coll" "R"
sleep "$slow"
shot editor-structure-core "Structure editor: collection reference (core)"
close_front
open_tag "Med" "W"
sleep "$slow"
shot editor-structure-medi "Structure editor: media type (medi)"
close_front
open_tag "Sounds" "F"
sleep "$slow"
shot editor-sound "Sound viewer"
close_front
open_tag "Detail T" "G"
sleep "$slow"
shot editor-dtex "Detail texture editor"
close_front
open_tag_seen "D" 0 "E"  # "Detail Maps", the first group starting with D; "Eastern Delta"
shot editor-dmap "Detail map editor"
close_front
open_first "Geo"
sleep "$slow"
shot geometry-viewer "Geometry viewer"
close_front

# The terrain editor on "Eastern Delta" and its draw modes.
open_tag "Meshe" "E"
sleep $((3 * slow))
shot terrain "Terrain editor"
try_step "wireframe" F1
shot terrain-wireframe "Terrain editor: wireframe (F1)"
try_step "wireframe off" F1
try_step "detail textures" F2
shot terrain-detail-textures "Terrain editor: detail textures toggled (F2)"
try_step "detail textures back" F2
try_step "texture highlighting" F3
shot terrain-highlighting "Terrain editor: texture highlighting (F3)"
try_step "highlight mode" F7
shot terrain-highlight-mode "Terrain editor: highlight mode (F7)"
try_step "highlighting off" F3
try_step "info" grave
shot terrain-info "Terrain editor: info (~)"
try_step "info off" grave
try_step "palette" Tab
shot terrain-palette "Terrain editor: palette (Tab)"
xdotool mousemove --window "$window" 200 430 click 3
sleep $((2 * slow))
shot terrain-menu "Terrain editor: tool menu"
keys Escape
sleep "$slow"
close_front

# Tag info: Get Info (Ctrl+I) on a row of the browser's tree.
tree_top
typed "Coll"
keys Right Down
try_step "Get Info" ctrl+i
shot tag-info "Tag info window"
close_front

# The builders' and add-ons' dialogs from the Tools menu.
e2e_keys_to_focus
for d in "b|build-dtex-addon|Build Dtex Add-on dialog" "b b|build-regular-addon|Build Regular Add-on dialog" \
    "b b b|build-standard-collection|Build Standard Collection dialog" \
    "b b b b|build-high-res-collection|Build High-Res Collection dialog" \
    "r|recursive-image-conversion|Recursive Image Conversion dialog|Choose a folder"; do
    IFS='|' read -r letters file title native <<<"$d"
    tools_command "$letters"
    if [ -n "$native" ]; then
        # The host's folder chooser: photographed once it has loaded its folder, then cancelled
        # with its own keyboard.
        wait_for 20 has_window "$native" || echo "note: no dialog '$native'"
        d=$(find_window "$native")
        [ -n "$d" ] && wait_for 10 dialog_settled "$d"
        shot "$file" "$title" screen
        [ -n "$d" ] && xdotool windowfocus "$d" 2>/dev/null && sleep 0.5 && xdotool key --window "$d" Escape
        wait_for 10 gone_window "$native" || echo "note: the dialog '$native' stayed"
        sleep "$slow"
        continue
    fi
    sleep $((2 * slow))
    shot "$file" "$title"
    keys Escape
    sleep "$slow"
done

# A message box: the quit question.
python3 "$here/x11_close_window.py" "$window" 2>/dev/null
sleep $((2 * slow))
shot message-box "Message box (the quit question)"
e2e_quit "$window" focus
echo "passed"
