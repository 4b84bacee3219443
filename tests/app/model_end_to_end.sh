#!/usr/bin/env bash
# A user imports the sample game's LightWave object and exports it again in the real program:
# File > New Model From LWO, "Tent.lwo" pasted into "Import Model", the geometry viewer opens;
# its context menu's "Export LWO..." into a chosen folder. The four tag files must stand in
# the local folder with their bytes, and the exported object and picture in the folder, read
# back by our reader (lwo_info) and, when installed, by assimp.
# Run through e2e_run.sh: model_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
name=Tent
. "$here/e2e_support.sh"
e2e_begin "$@"
export_dir="$work/export"
tags=("local/geometries/$name" "local/collections/$name" "local/collection references/$name" "local/models/$name")
[ -f models/Tent.lwo ] || fail "the sample game has no models/Tent.lwo"
mkdir -p "$export_dir"
# The dialogs open in the remembered folders: the sample objects and the export folder.
printf 'ShowSplash 0\nLastModelOpenPath "%s/models/"\nLastModelFolderPath "%s/"\n' "$folder" "$export_dir" >res/prefs.txt

# Moves through an open menu with the keys, picks the item with Return and waits for the
# dialog of that title: its id goes to dialog.
choose_then_wait_for() {  # choose_then_wait_for <key>... -- <dialog title>
    while [ "$1" != -- ]; do
        xdotool key "$1"
        sleep 0.3
        shift
    done
    xdotool key Return
    wait_for 20 has_window "^$2\$" || fail "no \"$2\" dialog"
    dialog=$(find_window "^$2\$")
    sleep "$slow"
}

e2e_start
e2e_wait_log_viewer

xdotool windowfocus --sync "$window" 2>/dev/null
# File: Down highlights the top item, Up wraps to "Exit", the next Up reaches "New Script" and
# the one after it "New Model From LWO", wherever other items stand above them.
xdotool mousemove --window "$window" 16 10 click 1
sleep "$slow"
choose_then_wait_for Down Up Up Up -- "Import Model"
dialog_answer "^Import Model\$" "ctrl+l ctrl+a" "$folder/models/$name.lwo"

for _ in $(seq 1 $((40 * slow))); do
    all=1
    for t in "${tags[@]}"; do [ -f "$t" ] || all=0; done
    [ $all = 1 ] && break
    sleep 0.5
done
for t in "${tags[@]}"; do [ -f "$t" ] || fail "no $t after the import: $(cat "$log")"; done

python3 - "${tags[@]}" <<'PY' || fail "the imported tags are not as expected"
import struct, sys
problems = []
headers = {}
for path, group in zip(sys.argv[1:], [b"geom", b".256", b"core", b"mode"]):
    data = open(path, "rb").read()
    name = data[4:36].split(b"\0")[0]
    g, tag, offset, size = struct.unpack(">IIII", data[36:52])
    if data[60:64] != b"vrn2": problems.append("%s: signature" % path)
    if g != int.from_bytes(group, "big"): problems.append("%s: group %x" % (path, g))
    if name != b"Tent": problems.append("%s: name %r" % (path, name))
    if offset != 64 or size != len(data) - 64: problems.append("%s: offset %d size %d" % (path, offset, size))
    headers[group] = (tag, data[64:])
geom, coll, core, mode = (headers[g] for g in [b"geom", b".256", b"core", b"mode"])
counts = struct.unpack(">HHH", geom[1][8:14])
if counts != (1, 5, 4): problems.append("geometry counts %r" % (counts,))
if struct.unpack(">I", geom[1][4:8])[0] != core[0]: problems.append("geometry names another core")
c = core[1]
if len(c) != 384 or struct.unpack(">I", c[0:4])[0] != coll[0] or c[4:6] != b"\0\1" or c[8:334] != b"\xff" * 326:
    problems.append("core bytes")
if struct.unpack(">I", mode[1][4:8])[0] != geom[0]: problems.append("model names another geometry")
if problems:
    print("; ".join(problems))
    sys.exit(1)
PY

# The viewer clears its content to black: right-click inside that area, away from the buttons.
# Under an emulator the editor shows some seconds after its tags are written.
viewer_spot() {
    import -window "$window" -depth 8 ppm:- 2>/dev/null | python3 -c '
import sys
raw = sys.stdin.buffer.read()
fields, at = [], 0
while len(fields) < 4:
    while raw[at:at + 1].isspace(): at += 1
    start = at
    while not raw[at:at + 1].isspace(): at += 1
    fields.append(raw[start:at])
w, h = int(fields[1]), int(fields[2])
data = raw[at + 1:]
xs, ys = [], []
for y in range(0, h, 4):
    row = data[y * w * 3:(y + 1) * w * 3]
    for x in range(0, w, 4):
        if row[x * 3:x * 3 + 3] == b"\0\0\0":
            xs.append(x); ys.append(y)
if len(xs) < 100:
    print("0 0")
else:
    xs.sort(); ys.sort()
    print(xs[len(xs) // 2] - 40, ys[len(ys) // 2] + 40)
'
}
vx=0 vy=0
for _ in $(seq 1 $((20 * slow))); do
    sleep 1
    read -r vx vy < <(viewer_spot)
    [ "${vx:-0}" != 0 ] && break
done
[ "${vx:-0}" != 0 ] || fail "the geometry viewer did not open"
xdotool mousemove --window "$window" "$vx" "$vy" click 3
sleep "$slow"
choose_then_wait_for Down Down -- "Choose a destination folder"
# The chooser opens in the remembered export folder; its default button (bottom right) picks it.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove --window "$dialog" $((WIDTH - 40)) $((HEIGHT - 22)) click 1
for _ in $(seq 1 $((40 * slow))); do
    [ -f "$export_dir/$name.lwo" ] && break
    sleep 0.5
done
[ -f "$export_dir/$name.lwo" ] || fail "no $name.lwo in the export folder: $(ls "$export_dir")"
[ -f "$export_dir/tent.png" ] || fail "no tent.png beside the object: $(ls "$export_dir")"

info=$($emulator ./lwo_info "$export_dir/$name.lwo") || fail "our reader cannot read the export"
grep -qx "points 5" <<<"$info" && grep -qx "triangles 4" <<<"$info" && grep -qx "polygons 4" <<<"$info" \
    || fail "our reader sees: $info"
grep -qx "box -1 0 -1 1 1.5 1" <<<"$info" || fail "box: $info"
if command -v assimp >/dev/null; then
    faces=$(assimp info "$export_dir/$name.lwo" -r 2>/dev/null | sed -n 's/^ *Faces: *//p')
    [ "$faces" = 4 ] || fail "assimp sees $faces faces"
fi
if command -v identify >/dev/null; then
    identify "$export_dir/tent.png" | grep -q "PNG 32x32" || fail "tent.png: $(identify "$export_dir/tent.png")"
fi

# The folder dialog took the keyboard; the quit gives it back to the program first.
e2e_quit "$window" focus
echo "passed"
