#!/usr/bin/env bash
# The structure editor in the real program, reached as a user reaches it: from the archive
# browser. The sample game's 'core' tag "Rock Core" is opened, its first reference value typed
# over and saved with Ctrl+S; the tag is opened again, its second value typed over and saved
# (the first must survive, so the editor read back what was saved). The 'medi' tag "Water" is
# opened, its x wave amplitude typed over and the dialog's OK pressed from the keyboard. In the
# local copies only the edited bytes differ from the archive's.
# Run through e2e_run.sh: structure_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
core="$folder/local/collection references/Rock Core"
media="$folder/local/media types/Water"
printf 'ShowSplash 0\n' >res/prefs.txt
e2e_start
e2e_wait_log_viewer
sleep "$slow"

# changed_bytes <local file> <tag name> <group>: the offsets (in the tag's data, comma
# separated) where the local copy differs from the archive copy of the same tag, read straight
# from the files of the "tags" folder.
changed_bytes() {
    python3 - "$folder/tags" "$@" <<'PY'
import os, struct, sys
tags, path, name, group = sys.argv[1], sys.argv[2], sys.argv[3].encode(), sys.argv[4].encode()
def archive_copy():
    for f in sorted(os.listdir(tags)):
        b = open(os.path.join(tags, f), "rb").read()
        if len(b) < 128 or b[124:128] != b"dng2": continue
        meshes, count = struct.unpack(">HH", b[100:104])
        for i in range(count):
            e = b[128 + 112 * meshes + 64 * i:][:64]
            g, tag, offset, length = struct.unpack(">IIII", e[36:52])
            if g == int.from_bytes(group, "big") and e[4:36].split(b"\0")[0] == name:
                return b[offset:offset + length]
    sys.exit("no archive copy of %r" % name)
old = archive_copy()
b = open(path, "rb").read()
offset, size = struct.unpack(">II", b[44:52])
new = b[offset:offset + size]
if len(new) != len(old) or size != len(b) - offset: sys.exit("%d bytes, the archive's %d" % (len(new), len(old)))
print(",".join("%d:%02x" % (i, new[i]) for i in range(len(old)) if old[i] != new[i]))
PY
}

# 1. "Rock Core": the dialog opens with OK focused; the ring of tab stops runs on to Cancel,
#    the collection picker and the first reference value (values count up from 0 there).
open_tag_seen "" 0 "R"  # Collection References, the first group
keys Tab Tab Tab
paste_text "77"
keys ctrl+s
wait_for 10 test -s "$core" || fail "Ctrl+S wrote no local copy of Rock Core: $(cat "$log")"
sleep "$slow"
diff=$(changed_bytes "$core" "Rock Core" core) || fail "Rock Core: $diff"
[ "$diff" = "5:4d" ] || fail "Rock Core differs from the archive's at $diff, not only value 1 (bytes 4-5) = 77"

# 2. Opened again from its local copy: the second value (2 before) becomes 300.
keys ctrl+w
sleep "$slow"
open_tag "Coll" "R"
keys Tab Tab Tab Tab
paste_text "300"
keys ctrl+s
sleep "$slow"
diff=$(changed_bytes "$core" "Rock Core" core) || fail "Rock Core: $diff"
[ "$diff" = "5:4d,6:01,7:2c" ] || fail "the reopened Rock Core saved changes at $diff"
keys ctrl+w
sleep "$slow"

# 3. "Water": the x amplitude (stored 256, shown in world units of 1/512 as 0.5) becomes 1.5;
#    six tab stops on (the other five wave values) OK is focused, and Enter presses it.
open_tag_seen "M" 0 "W"  # Media Types, the first group starting with M
keys Tab Tab
paste_text "1.5"
keys Tab Tab Tab Tab Tab Tab
keys Return
wait_for 10 test -s "$media" || fail "OK wrote no local copy of Water: $(cat "$log")"
sleep "$slow"
diff=$(changed_bytes "$media" "Water" medi) || fail "Water: $diff"
[ "$diff" = "104:03" ] || fail "Water differs from the archive's at $diff, not only the x amplitude (bytes 104-105) = 768"

e2e_quit "$window" focus
echo "passed"
