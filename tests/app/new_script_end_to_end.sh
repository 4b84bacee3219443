#!/usr/bin/env bash
# A user makes a script in the real program: File > New Script, a name, two typed lines,
# Ctrl+S, then quits. The script's file in the local folder must hold the tag header and the
# typed bytes with CR line ends.
# Run through e2e_run.sh: new_script_end_to_end.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
name=e2enewscript
. "$here/e2e_support.sh"
e2e_begin "$@"
script="local/scripts/$name"
printf 'ShowSplash 0\n' >res/prefs.txt

# With TAVIK_E2E_SHOTS=<prefix> the screen is saved at each stage, to see where a run went wrong.
shot() { [ -z "${TAVIK_E2E_SHOTS:-}" ] || import -window root "${TAVIK_E2E_SHOTS}-$1.png"; }

e2e_start
e2e_wait_log_viewer

# Keys go through the X test extension to the focused window, as a keyboard's would.
xdotool windowfocus --sync "$window" 2>/dev/null
# File opens with a click on the first item of the bar. "New Script" is the item just above
# the separator and "Exit": Down highlights the top item, Up wraps to "Exit" and the next Up
# reaches "New Script", wherever other items stand above it.
xdotool mousemove --window "$window" 16 10
sleep "$slow"
before=$(pixel "$window" 40 38)
xdotool click 1
wait_change 40 38 "$before" "the File menu"
shot 1-file-menu
for key in Down Up Up; do
    xdotool key "$key"
    sleep "$slow"
done
shot 2-new-script
# The name box comes up in the middle of the screen.
geometry=$(xdotool getwindowgeometry --shell "$window")
width=$(echo "$geometry" | sed -n 's/^WIDTH=//p')
height=$(echo "$geometry" | sed -n 's/^HEIGHT=//p')
cx=$((width / 2)) cy=$((height / 2))
before=$(pixel "$window" "$cx" "$cy")
xdotool key Return
wait_change "$cx" "$cy" "$before" "the name box"
sleep "$slow"
shot 3-name-box
# The name box has the focus; Enter presses "Create Script".
paste_text "$name"
# The editor, 640 x 480 at a cascade position, takes the box's place in the middle.
before=$(pixel "$window" "$cx" "$cy")
xdotool key Return
wait_change "$cx" "$cy" "$before" "the script editor"
sleep "$slow"
shot 4-editor
# The new editor's text box has the focus.
paste_text "first line"
xdotool key Return
sleep "$slow"
paste_text "second line"
shot 5-typed
xdotool key ctrl+s
for _ in $(seq 1 $((20 * slow))); do
    [ -f "$script" ] && break
    sleep 0.5
done
[ -f "$script" ] || fail "no $script after Ctrl+S: $(cat "$log")"
sleep 0.5

expected_data=$(printf 'first line\rsecond line' | od -An -tx1 | tr -d ' \n')
python3 - "$script" "$name" "$expected_data" <<'PY' || fail "the script file is not as typed"
import struct, sys
path, name, expected = sys.argv[1], sys.argv[2], bytes.fromhex(sys.argv[3])
data = open(path, "rb").read()
ident, flags, kind = struct.unpack(">HBB", data[0:4])
tag_name = data[4:36].split(b"\0")[0].decode()
group, tag, offset, size, user, version = struct.unpack(">IIIIIH", data[36:58])
game = data[60:64]
problems = []
if game != b"vrn2": problems.append("signature %r" % game)
if group != int.from_bytes(b"scri", "big"): problems.append("group %x" % group)
if tag_name != name: problems.append("name %r" % tag_name)
if offset != 64: problems.append("offset %d" % offset)
if size != len(data) - 64: problems.append("size %d for %d bytes" % (size, len(data) - 64))
if data[64:] != expected: problems.append("data %r" % data[64:])
if problems:
    print("; ".join(problems))
    sys.exit(1)
PY

e2e_quit "$window"
echo "passed"
