#!/usr/bin/env bash
# The add-on commands in the real program on the generated sample game folder: Tools > Build
# Regular Add-on and Tools > Build Dtex Add-on with the dialog filled from the keyboard, the
# files in "plugins" checked byte by byte against the local folder, Tools > Reload Plugins
# Folder listing both in the archive browser; then a text tag edited and the program quit,
# the "Save?" question answered with "Save" and the file checked.
# The browser's placement is seeded, so its lists stand where this script looks.
# The sample game is written afresh first (the scenario adds files).
# Run through e2e_run.sh: addon_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
game=$folder
$emulator "$writer" "$game" >/dev/null 2>&1 || fail "the sample game could not be written"
e2e_keys_to_focus

bx=32 by=64
top=$((28 + by))
printf 'ArchiveBrowserPlacement "0 %d %d %d %d"\nShowSplash 0\n' $bx $by $((bx + 900)) $((by + 600)) >res/prefs.txt

e2e_start
e2e_wait_log_viewer
browser_drawn() { [ "$(bright $((bx + 4)) $((top + 28)) 110 17)" -gt 20 ]; }
wait_for 40 browser_drawn || fail "the archive browser is not shown"
sleep "$slow"
xdotool windowfocus --sync "$window" 2>/dev/null
geometry=$(xdotool getwindowgeometry --shell "$window")
cx=$(($(echo "$geometry" | sed -n 's/^WIDTH=//p') / 2))
cy=$(($(echo "$geometry" | sed -n 's/^HEIGHT=//p') / 2))

# fill_addon <name> <url> <priority>: the dialog "Build Add-on plugin" comes up with the name
# field focused; each field's text is replaced, Tab moves on, Enter presses OK.
fill_addon() {
    sleep "$slow"
    local field
    for field in "$1" "$2" "$3"; do
        keys ctrl+a
        paste_text "$field"
        keys Tab
    done
    keys Return
}

# 1. Build Regular Add-on: the second item starting with B.
tools_command "b b"
fill_addon "Pack" "http://a.b/" 120
wait_for 20 test -s "plugins/Pack" || fail "no plugins/Pack: $(ls plugins)"
sleep "$slow"
keys Return  # "Success"

# 2. Build Dtex Add-on: the first item starting with B.
tools_command "b"
fill_addon "Land" "http://c.d/" 300
wait_for 20 test -s "plugins/Land" || fail "no plugins/Land: $(ls plugins)"
sleep "$slow"
keys Return

python3 - "$game" <<'PY' || fail "the add-ons' bytes are not as expected"
import os, struct, sys
game = sys.argv[1]
problems = []

def local_tags():
    """(group, id) -> (name, data) of every local tag file, as the tag database indexes them."""
    found = {}
    for folder, _, files in sorted(os.walk(os.path.join(game, "local"))):
        for f in sorted(files):
            b = open(os.path.join(folder, f), "rb").read()
            if len(b) < 64: continue
            if b[60:64] == b"vrn2":
                group, tag, offset, size = struct.unpack(">IIII", b[36:52])
                name = b[4:36].split(b"\0")[0].decode("latin-1")
            elif b[60:64] == b"vorn":
                group, tag = struct.unpack(">II", b[32:40])
                offset, size = 64, len(b) - 64
                name = b[0:32].split(b"\0")[0].decode("latin-1")
            else:
                continue
            found.setdefault((group, tag), (name, b[offset:offset + size]))
    return found

def archive(path):
    b = open(path, "rb").read()
    kind, priority = struct.unpack(">HH", b[0:4])
    name = b[4:36].split(b"\0")[0].decode()
    url = b[36:100].split(b"\0")[0].decode()
    meshes, count = struct.unpack(">HH", b[100:104])
    size, start, sig = struct.unpack(">I4xI4s", b[112:128])
    entries = []
    for i in range(count):
        e = b[128 + 112 * meshes + 64 * i:][:64]
        group, tag, offset, length = struct.unpack(">IIII", e[36:52])
        entries.append((group, tag, b[offset:offset + length]))
    if size != len(b): problems.append("%s: file size %d for %d bytes" % (path, size, len(b)))
    if sig != b"dng2": problems.append("%s: signature %r" % (path, sig))
    if start != 128 + 112 * meshes + 64 * count: problems.append("%s: data start %d" % (path, start))
    return kind, priority, name, url, entries

code = lambda s: int.from_bytes(s.encode(), "big")
local = local_tags()
groups = {code(g) for g in ("form", "obpc", "reco", "save", "soli", "soun", "stli", "temp", "text")}
kind, priority, name, url, entries = archive(os.path.join(game, "plugins", "Pack"))
if (kind, priority, name, url) != (6, 120, "Pack", "http://a.b/"):
    problems.append("regular header %r" % ((kind, priority, name, url),))
expected = sorted(k for k in local if k[0] in groups)
if sorted((g, t) for g, t, _ in entries) != expected:
    problems.append("regular tags %r, expected %r" % ([(g, t) for g, t, _ in entries], expected))
if [g for g, _, _ in entries] != sorted(g for g, _, _ in entries): problems.append("regular: not sorted by group")
for g, t, data in entries:
    if (g, t) in local and local[(g, t)][1] != data: problems.append("regular: data of %x/%x differs" % (g, t))

kind, priority, name, url, entries = archive(os.path.join(game, "plugins", "Land"))
if (kind, priority, name, url) != (6, 300, "Land", "http://c.d/"): problems.append("dtex header %r" % ((kind, priority, name),))
got = sorted((g, t) for g, t, _ in entries)
want = sorted([(code("dmap"), code("HiPa")), (code("dmap"), code("QuVa"))] +
              [(code("dtex"), t) for (g, t), (n, _) in local.items() if g == code("dtex") and n in ("Moss", "Clay")])
if got != want or len(want) != 4: problems.append("dtex tags %r, expected %r" % (got, want))
if problems:
    print("\n".join(problems))
    sys.exit(1)
PY

# 3. Reload Plugins Folder (itself highlighted by the menu walk, so the third R from it) shows
#    the browser again, the two new add-ons in its list of inactive archives below "Classic".
tools_command "r r r"
inactive_rows() {
    local n rows=0
    for n in 0 1 2 3 4; do
        [ "$(bright $((bx + 4)) $((top + 167 + 17 * n - 8)) 110 17)" -gt 20 ] && rows=$((rows + 1))
    done
    echo "$rows"
}
three_inactive() { [ "$(inactive_rows)" = 3 ]; }
# The browser comes back undimmed once the menu has gone and the command has run.
wait_for 60 three_inactive || fail "the browser lists $(inactive_rows) inactive archives, not 3"

# 4. A text tag edited in its editor (reached through the browser's tree, which does not
#    expand from the keyboard under the emulator), then the program quit: the quit question
#    and the "Save?" question are both answered with their first button.
if [ -z "$emulator" ]; then
    xdotool mousemove --window "$window" 600 600 click 1
    sleep "$slow"
    xdotool type --window "$window" --delay 0 "Text"
    sleep "$slow"
    keys Right
    xdotool type --window "$window" --delay 0 "Local"
    sleep "$slow"
    before=$(pixel "$window" "$cx" "$cy")
    keys Return
    sleep "$slow"
    paste_text "Edited. "
fi
e2e_quit "$window" focus
pid=""
if [ -z "$emulator" ]; then
    python3 - "$game/local/text/Local Note" <<'PY' || fail "the edited note was not saved"
import struct, sys
b = open(sys.argv[1], "rb").read()
size = struct.unpack(">I", b[48:52])[0]
if b[64:] != b"Edited. A note kept in the local folder.\r" or size != len(b) - 64:
    print(repr(b[64:]), size)
    sys.exit(1)
PY
fi
echo "passed"
