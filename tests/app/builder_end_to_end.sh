#!/usr/bin/env bash
# The collection builders in the real program on the generated sample game folder: Tools >
# Build Standard Collection on the sample source folder "builder/Walker", the dialog filled
# from the keyboard; the new collection opens in the collection editor (its figure's colours
# on screen) and its local file reads back as the folder describes it. Then Tools > Build
# High-Res Collection on "Rocks" with the renderings in "builder/Rocks": its local file has the
# new bitmaps assigned to every frame at scale 5.0; opened from the archive browser, frame 0
# of its sequence "Roll" shows another picture after Ctrl+T, and the collection saved with
# Ctrl+S keeps the assignments.
# The sample game is written afresh first (the scenario adds local tags).
# Run through e2e_run.sh: builder_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
game=$folder
$emulator "$writer" "$game" >/dev/null 2>&1 || fail "the sample game could not be written"
info() { $emulator ./collection_info "$game" "$1" 2>/dev/null; }
printf 'ShowSplash 0\n' >res/prefs.txt
e2e_keys_to_focus

# How many pixels of the window show one of the colours given as "r,g,b" arguments.
count_colours() {
    import -window "$window" -depth 8 rgb:- 2>/dev/null | python3 -c '
import sys
want = {bytes(int(v) for v in c.split(",")) for c in sys.argv[1:]}
data = sys.stdin.buffer.read()
print(sum(1 for i in range(0, len(data) - 2, 3) if data[i:i + 3] in want))
' "$@"
}
# The middle of the window (where dialogs open) as a checksum.
middle() { import -window "$window" -crop "200x120+$((cx - 100))+$((cy - 60))" -depth 8 rgb:- 2>/dev/null | md5sum | cut -d' ' -f1; }
wait_dialog() {  # wait_dialog <middle before> <what>
    local now
    for _ in $(seq 1 $((30 * slow))); do
        sleep 0.5
        now=$(middle)
        [ "$now" != "$1" ] && return 0
    done
    fail "$2 did not show"
}

e2e_start
e2e_wait_log_viewer
xdotool windowfocus --sync "$window" 2>/dev/null
geometry=$(xdotool getwindowgeometry --shell "$window")
cx=$(($(echo "$geometry" | sed -n 's/^WIDTH=//p') / 2))
cy=$(($(echo "$geometry" | sed -n 's/^HEIGHT=//p') / 2))

# 1. Build Standard Collection (the third item starting with B): the name field has the
#    focus; Tab twice reaches the folder field; Enter presses OK.
before=$(middle)
tools_command "b b b"
wait_dialog "$before" "the dialog Build Standard Collection"
keys ctrl+a
paste_text "Walker"
keys Tab
keys Tab
keys ctrl+a
paste_text "$game/builder/Walker"
list_place=$(pixel "$window" 150 400)
keys Return
wait_for 60 test -s "local/collections/Walker" || fail "no local/collections/Walker: $(cat "$log")"
# The editor opens on its "Bitmaps" page at the first cascade place, its list's empty part
# over (150, 400), where the desktop showed (under the emulator some steps after the file is
# written). It draws its table once the tabs have moved on and back; a double click on the
# first row ("idle01", at (100, 186)) opens that bitmap's window, where the figure's colours
# (indices 100 to 129 of the Rocks colour table, which the builder took over) show. The log
# window may come forward meanwhile (the local folder's poll logs): the Window menu brings the
# editor back, "Walker" being its only item starting with W after "Close All".
editor_shown() { local now; now=$(pixel "$window" 150 400); [ "$now" != "$list_place" ] && [ "$now" != none ]; }
wait_for 60 editor_shown || fail "the built collection's editor did not show"
sleep "$slow"
window_command "w"
keys ctrl+Right
keys ctrl+Left
colours=()
for i in $(seq 100 129); do colours+=("$i,$((255 - i)),$(((i * 7) & 255))"); done
figure_shown() { [ "$(count_colours "${colours[@]}")" -gt 20 ]; }
# The two clicks go at once: under load or the emulator, clicks sent apart can reach the
# program more than a double click's time apart. A double click lost that way is sent again.
opened=""
for _ in 1 2 3; do
    xdotool mousemove --window "$window" 100 186 click --repeat 2 --delay 1 1
    wait_for 20 figure_shown && { opened=1; break; }
done
[ -n "$opened" ] || fail "the new collection's first bitmap is not shown"

walker=$(info Walker) || fail "collection_info cannot read the new Walker"
python3 - "$walker" <<'PY' || fail "the built Walker is not what its folder describes"
import sys
lines = sys.argv[1].splitlines()
problems = []
def has(line):
    if line not in lines: problems.append("missing: " + line)
has("bitmaps 8")
has("sequences 2")
names = [l.split(" ", 4)[4] for l in lines if l.startswith("image ")]
if sorted(names) != ["idle01", "idle02", "w01", "w02", "w03", "w04", "w05", "w06"]:
    problems.append("bitmap names %r" % names)
# Natural order of the sequence folders: idle(1,2) before walk(2,4).
seqs = [l.split()[2:7:2] for l in lines if l.startswith("sequence ")]
if seqs != [["idle", "1", "2"], ["walk", "2", "4"]]: problems.append("sequences %r" % seqs)
views = [l for l in lines if l.startswith("view ")]
walk = views[2:]
bitmap = lambda l: int(l.split()[4])
# Frames play source frames 1 2 3 2: frame 4 (index 3) shows what frame 2 shows.
if len(walk) != 8 or [bitmap(l) for l in walk[6:8]] != [bitmap(l) for l in walk[2:4]]:
    problems.append("walk views %r" % walk)
if len({bitmap(l) for l in walk}) != 6: problems.append("walk does not use its six images: %r" % walk)
# Every point keeps (0, 0) of the uncropped image: minus the crop box's corner, so negative
# or zero, and the same for both views of a frame of the same figure position.
for l in views:
    x, y = (int(v) for v in l.split()[6].split(","))
    if x > 0 or y > 0 or y < -3: problems.append("point of " + l)
if problems:
    print("\n".join(problems))
    sys.exit(1)
PY

# 2. Build High-Res Collection (the fourth item starting with B): Down opens the collection
#    list with nothing chosen; the sample game's collections sort as Cliffs, Eastern Delta,
#    Lantern Skins, Rocks, ..., so four more Downs reach "Rocks"; Enter closes the list and Tab
#    reaches the folder field.
before=$(middle)
tools_command "b b b b"
wait_dialog "$before" "the dialog Build High-Res Collection"
keys Down
keys Down
keys Down
keys Down
keys Down
keys Return
keys Tab
keys ctrl+a
paste_text "$game/builder/Rocks"
keys Return
wait_for 60 test -s "local/collections/Rocks" || fail "no local/collections/Rocks: $(cat "$log")"
rocks=$(info Rocks) || fail "collection_info cannot read the built Rocks"
python3 - "$rocks" <<'PY' || fail "the built Rocks lacks its high-res bitmaps"
import re, sys
lines = sys.argv[1].splitlines()
problems = []
# 15 bitmaps before; "Roll" gets 3 renderings, "Tumble" 15 (its 5 unique views by 3 frames).
if "bitmaps 33" not in lines: problems.append("not 15 + 3 + 15 bitmaps")
for n, name in ((15, "roll01.png"), (16, "roll02.png"), (17, "roll03.png")):
    if "image %d 32x32 8 %s" % (n, name) not in lines: problems.append("no bitmap %d %s" % (n, name))
views = [l for l in lines if l.startswith("view ")]
want = ["view %d 0 bitmap %d at 20,60 highres %d scale 0x50000" % (f, b, 15 + f) for f, b in ((0, 0), (1, 1), (2, 7))]
if [l.rsplit(" at ", 1)[0] for l in views[:3]] != want: problems.append("views %r" % views[:3])
# Tumble's views follow, frame by frame: the unique ones (0 to 4) have a rendering of 24 x 24.
tumble = views[3:]
highres = [int(m.group(1)) for l in tumble for m in [re.search(r"highres (\d+) scale 0x50000", l)] if m]
if len(tumble) != 24 or len(set(highres)) != 15 or min(highres, default=0) < 18:
    problems.append("Tumble's views %r" % tumble)
images = dict(l.split(" ", 2)[1:] for l in lines if l.startswith("image "))
if not all(images.get(str(i), "").startswith("24x24 8 tumble") for i in highres):
    problems.append("Tumble's renderings are not its 24 x 24 bitmaps")
if problems:
    print("\n".join(problems))
    print(sys.argv[1])
    sys.exit(1)
PY

# 3. Rocks from the archive browser (Tools > Archive Browser brings it forward); it opens
#    showing the high-res assignments. On its "Sequences" page (the third tab) Down selects
#    "Roll" and Return opens its sequence editor, whose first row shows frame 0's bitmap at
#    (290, 320). Ctrl+W closes that editor, the keys go back to the collection editor and
#    Ctrl+T switches to the standard assignments; Roll opened again shows another bitmap
#    there. Ctrl+S in the collection editor then saves; the assignments come back as built.
tools_command "a"
sleep "$slow"
open_tag_seen "" 1 R  # "Collections", after "Collection References"
step "going to the Sequences page" ctrl+Right ctrl+Right
step "choosing Roll" Down
cell() { import -window "$window" -crop "60x60+260+290" -depth 8 rgb:- 2>/dev/null | md5sum | cut -c1-32; }
step "opening Roll's sequence editor" Return
high=$(cell)
step "closing Roll's sequence editor" ctrl+w
keys ctrl+t  # nothing on this page shows it
step "opening Roll's sequence editor again" Return
[ "$(cell)" != "$high" ] || fail "frame 0 of Roll looks the same after Ctrl+T"
step "closing Roll's sequence editor again" ctrl+w
before=$(stat -c %Y.%s "local/collections/Rocks")
sleep 1
saved() { [ "$(stat -c %Y.%s "local/collections/Rocks")" != "$before" ]; }
ctrl_s saved "Rocks"
again=$(info Rocks) || fail "collection_info cannot read the saved Rocks"
[ "$(grep '^view' <<<"$again")" = "$(grep '^view' <<<"$rocks")" ] ||
    fail "the editor changed the assignments: $(grep '^view' <<<"$again")"

e2e_quit "$window" focus
pid=""
echo "passed"
