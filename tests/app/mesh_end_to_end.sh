#!/usr/bin/env bash
# The terrain editor in the real program, reached as a user reaches it: from the archive
# browser. The sample game's mesh "Eastern Delta" is opened, Tab shows the "Brush List", the
# Down key picks material 3 (used nowhere in the sample's detail map), a drag with the left
# button paints over the terrain and Ctrl+S saves the detail map. Read back with dmap_info:
# the header and entries are as before, the painted vertices now hold 3 and every other byte
# of both planes is as before.
# Needs a display (Xvfb), xdotool, ImageMagick's import and python3.
# Usage: mesh_end_to_end.sh <program folder> <program name> [emulator]
set -u
folder=$(cd "$1" && pwd) program=$2 emulator=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tavik-e2e-mesh-XXXXXX")
dmap="$folder/local/detail maps/Eastern Delta"
cleanup() {
    [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null
    rm -f "$dmap" "$folder/res/prefs.txt"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAILED: $*"
    import -window root "${TMPDIR:-/tmp}/tavik-e2e-mesh-failed.png" 2>/dev/null &&
        echo "screen: ${TMPDIR:-/tmp}/tavik-e2e-mesh-failed.png"
    exit 1
}

. "$here/e2e_support.sh"
e2e_require_display

cd "$folder" || fail "no program folder $folder"
rm -f "$dmap"
$emulator ./dmap_info . "Eastern Delta" >"$work/before" 2>/dev/null || fail "dmap_info cannot read the sample's detail map"
printf 'ShowSplash 0\n' >res/prefs.txt
log="$work/log"
e2e_start
sleep "$slow"

# The editor's frame starts at (64, 64) of the program's window, its view below the title bar;
# the camera looks over the mesh from its south-west corner, so the terrain fills the lower
# part of the view.
view_x=200 view_y=430
before=$(pixel "$window" "$view_x" "$view_y")
open_tag "Meshe" "E"  # 'Eastern Delta', the only mesh starting with E
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
e2e_quit "$window" focus
pid=""

$emulator ./dmap_info . "Eastern Delta" >"$work/after" 2>/dev/null || fail "dmap_info cannot read the saved detail map"
python3 - "$work/before" "$work/after" <<'PY' || fail "the saved detail map is not the painted original"
import sys
def read(path):
    head, rows = [], {}
    for line in open(path):
        kind, _, rest = line.rstrip("\n").partition(" ")
        if kind in ("v", "t"):
            z, hexes = rest.split(" ")
            rows[(kind, int(z))] = bytes.fromhex(hexes)
        elif kind not in ("vertices", "triangles"):
            head.append(line)
    return head, rows
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
echo "passed"
