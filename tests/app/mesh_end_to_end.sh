#!/usr/bin/env bash
# The terrain editor in the real program, reached as a user reaches it: from the archive
# browser. The sample game's mesh "Eastern Delta" is opened, Tab shows the "Brush List", the
# Down key picks material 3 (used nowhere in the sample's detail map), a drag with the left
# button paints over the terrain and Ctrl+S saves the detail map. Read back with dmap_info:
# the header and entries are as before, the painted vertices now hold 3 and every other byte
# of both planes is as before. A right click opens the tool menu at the pointer and Esc closes
# it. Then, from the right-click tool menu, "Export Vertex Detail"
# writes the per-vertex grid as an 8-bit BMP (checked with ImageMagick's identify and pixel by
# pixel against dmap_info: 8 x 8 blocks, rows mirrored), and "Import Vertex Detail" reads back
# a copy in which a square of blocks holds 4; after Ctrl+S dmap_info shows exactly those
# vertices changed.
# Run through e2e_run.sh: mesh_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
dmap="$folder/local/detail maps/Eastern Delta"
$emulator ./dmap_info . "Eastern Delta" >"$work/before" 2>/dev/null || fail "dmap_info cannot read the sample's detail map"
printf 'ShowSplash 0\n' >res/prefs.txt
e2e_start
e2e_wait_log_viewer
sleep "$slow"

# The editor's frame starts at (64, 64) of the program's window, its view below the title bar;
# the camera looks over the mesh from its south-west corner, so the terrain fills the lower
# part of the view.
view_x=200 view_y=430
before=$(pixel "$window" "$view_x" "$view_y")
open_tag_seen "M" 1 "E"  # Meshes, after Media Types; 'Eastern Delta', the only mesh starting with E
wait_change "$view_x" "$view_y" "$before" "the terrain of Eastern Delta"
sleep "$slow"

# Tab shows the brush list with the keyboard in it; its row 0 is the brush's material.
keys Tab
keys Down
keys Down
keys Down

# A drag across the terrain: the press captures the mouse until the release, painting under
# it at each step.
xdotool mousemove --window "$window" "$view_x" "$view_y"
sleep "$slow"
xdotool mousedown --window "$window" 1
sleep "$slow"
for dx in 10 20 30 40 50 60; do
    xdotool mousemove --window "$window" $((view_x + dx)) "$view_y"
    sleep "$slow"
done
xdotool mouseup --window "$window" 1
sleep "$slow"

for _ in 1 2 3; do
    keys ctrl+s
    wait_for 10 test -s "$dmap" && break
done
test -s "$dmap" || fail "Ctrl+S wrote no local copy of the detail map: $(cat "$log")"

$emulator ./dmap_info . "Eastern Delta" >"$work/after" 2>/dev/null || fail "dmap_info cannot read the saved detail map"
PYTHONPATH="$here" python3 - "$work/before" "$work/after" <<'PY' || fail "the saved detail map is not the painted original"
import sys
from dmap_rows import read
old_head, old = read(sys.argv[1])
new_head, new = read(sys.argv[2])
problems = []
if old_head != new_head:
    problems.append("header or entries differ: %s" % [l for l in new_head if l not in old_head][:4])
if sorted(old) != sorted(new): problems.append("other rows")
painted, stray = 0, []
for key in old:
    for x, (a, b) in enumerate(zip(old[key], new.get(key, b""))):
        if a == b: continue
        if key[0] == "v" and b == 3: painted += 1
        else: stray.append("%s %d,%d: %d -> %d" % (key[0], x, key[1], a, b))
if painted == 0: problems.append("nothing painted")
if stray: problems.append("changed outside the stroke: %s" % stray[:6])
print("%d vertices painted" % painted)
if problems:
    print("; ".join(problems))
    sys.exit(1)
PY

# ---- Step: the tool menu opens at the pointer ----
# The pointer rests first, so the brush outline under it is drawn before the "before" pixels.
# The menu opens down from the pointer, or up from it where it does not fit below: one of the
# two pixels just right of the pointer shows it. Esc closes it again.
xdotool mousemove --window "$window" "$view_x" "$view_y"
sleep "$slow"
below=$(pixel "$window" $((view_x + 6)) $((view_y + 6)))
above=$(pixel "$window" $((view_x + 6)) $((view_y - 6)))
xdotool click --window "$window" 3
menu_at_pointer() {
    [ "$(pixel "$window" $((view_x + 6)) $((view_y + 6)))" != "$below" ] ||
        [ "$(pixel "$window" $((view_x + 6)) $((view_y - 6)))" != "$above" ]
}
wait_for 10 menu_at_pointer || fail "no tool menu beside the pointer at $view_x,$view_y"
keys Escape
menu_closed() { [ "$(pixel "$window" $((view_x + 6)) $((view_y + 6)))" = "$below" ]; }
wait_for 10 menu_closed || fail "Esc left the tool menu open"
sleep "$slow"
# ---- End of step ----

# The tool menu opens at a right click in the view; a letter highlights the first item that
# starts with it ("Export Vertex Detail", "Import Vertex Detail") and Return runs it.
tool_command() {  # tool_command <letter>
    xdotool mousemove --window "$window" "$view_x" "$view_y" click 3
    sleep "$slow"
    keys "$1"
    keys Return
}
tool_command e
dialog_answer "Export Per-Vertex Details" "ctrl+l ctrl+a" "$work/vertex.bmp"
wait_for 10 test -s "$work/vertex.bmp" || fail "Export Vertex Detail wrote no image: $(ls "$work")"
if command -v identify >/dev/null; then
    seen=$(identify -format '%wx%h %z %r' "$work/vertex.bmp" 2>/dev/null)
    [ "$seen" = "512x512 8 PseudoClass sRGB " ] || fail "identify sees the exported image as '$seen'"
fi

# The exported pixels against the saved map; then a copy whose vertices x 40..45, z 20..25
# hold 4, for the import.
python3 - "$work/after" "$work/vertex.bmp" "$work/import.bmp" <<'PY' || fail "the exported image does not show the detail map"
import struct, sys
rows = {}
for line in open(sys.argv[1]):
    kind, _, rest = line.rstrip("\n").partition(" ")
    if kind == "v":
        z, hexes = rest.split(" ")
        rows[int(z)] = bytes.fromhex(hexes)
data = bytearray(open(sys.argv[2], "rb").read())
offset, = struct.unpack_from("<I", data, 10)
width, height, planes, bits = struct.unpack_from("<iiHH", data, 18)
if bits != 8 or width != 512 or abs(height) != 512:
    sys.exit("a %d-bit image of %dx%d" % (bits, width, height))
stride = (width + 3) & ~3
def at(x, y):  # image row y from the top
    row = y if height < 0 else abs(height) - 1 - y
    return offset + row * stride + x
wrong = [(x, y) for y in range(512) for x in range(512) if data[at(x, y)] != rows[y // 8][63 - x // 8]]
if wrong:
    sys.exit("%d pixels differ from their vertices, first at %s" % (len(wrong), wrong[0]))
for y in range(20 * 8, 26 * 8):
    for x in range(512 - 46 * 8, 512 - 40 * 8):
        data[at(x, y)] = 4
open(sys.argv[3], "wb").write(data)
PY

tool_command i
dialog_answer "Import Per-Vertex Details" ctrl+l "$work/import.bmp"
imported() {
    $emulator ./dmap_info . "Eastern Delta" >"$work/imported" 2>/dev/null &&
        PYTHONPATH="$here" python3 - "$work/after" "$work/imported" <<'PY'
import sys
from dmap_rows import read
old_head, old = read(sys.argv[1])
new_head, new = read(sys.argv[2])
if old_head != new_head or sorted(old) != sorted(new): sys.exit(1)
for (kind, z), row in old.items():
    for x, a in enumerate(row):
        want = 4 if kind == "v" and 40 <= x < 46 and 20 <= z < 26 else a
        if new[(kind, z)][x] != want: sys.exit(1)
PY
}
for _ in 1 2 3; do
    keys ctrl+s
    wait_for 10 imported && break
done
imported || fail "the imported detail map was not saved as the image holds it: $(cat "$log")"
e2e_quit "$window" focus
echo "passed"
