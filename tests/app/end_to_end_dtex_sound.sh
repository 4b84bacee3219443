#!/usr/bin/env bash
# The sound viewer and the detail-texture editor in the real program, reached as a user
# reaches them: from the archive browser. Opens the sample game's sound tag 'Forest' and
# exports all its permutations ("Export All", the folder chosen in the native dialog), checked
# with soxi; then opens the detail texture 'Grass', imports a PNG pasted into the native dialog
# (Ctrl+I), saves (Ctrl+S) and exports it as a new PNG (Ctrl+E), compared with ImageMagick.
# Needs sox and ImageMagick besides the shared steps' tools.
# Run through e2e_run.sh: end_to_end_dtex_sound.sh <program folder> <program name> [emulator]
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/e2e_support.sh"
e2e_begin "$@"
for tool in convert compare soxi; do
    command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 0; }
done
grass="$folder/local/detail textures/Grass"
mkdir -p "$work/wavs"
# No splash; the save dialog starts at PNG (the second image filter) and the folder dialog in
# the folder the sounds go to.
printf 'ShowSplash 0\nLastImageSaveFormat 1\nLastSoundFolderPath "%s"\n' "$work/wavs" >res/prefs.txt
e2e_start
e2e_wait_log_viewer

# The sound viewer, first editor on screen: its "Export All" button sits at a known place.
open_tag_seen S 1 F  # 'Forest', the only sound starting with F
xdotool mousemove --window "$window" 235 313 click 1
dialog_answer "Choose Sound Folder" "" "" alt+s
check_wav() {  # check_wav <file> <rate> <channels> <samples per channel>
    local info
    wait_for 10 test -s "$work/wavs/$1" || fail "$1 was not written: $(ls "$work/wavs")"
    info=$(soxi "$work/wavs/$1" 2>&1)
    grep -q "Sample Rate    : $2\$" <<<"$info" || fail "$1: rate is not $2: $info"
    grep -q "Channels       : $3\$" <<<"$info" || fail "$1: channels are not $3: $info"
    grep -q "= $4 samples" <<<"$info" || fail "$1: not $4 samples: $info"
}
# The sample game's 'Forest': whole packets of 64 samples per channel, rounded up.
check_wav Birds.wav 22050 1 33088      # 1.5 s
check_wav Wind.wav 44100 2 44160       # 1 s
check_wav Creak_.._Door.wav 11025 1 5568  # 0.5 s, its name made a file name
[ ! -e "$work/wavs/Silence.wav" ] || fail "the empty permutation wrote a file"

# The detail-texture editor: import, save, export.
convert -size 64x32 xc:red -fill blue -draw "rectangle 32,0 63,31" -fill lime -draw "rectangle 0,16 15,31" \
    "PNG24:$work/in.png" || fail "could not make the input picture"
open_tag_seen D 1 G  # 'Grass', the first texture
keys ctrl+i
dialog_answer "Import Detail Texture" ctrl+l "$work/in.png"
# The import's long step under the emulator can come with more window events than a step's
# input ring holds, and a Ctrl+S among them is dropped: the user presses it again.
for _ in 1 2 3; do
    keys ctrl+s
    wait_for 10 test -s "$grass" && break
done
test -s "$grass" || fail "Ctrl+S wrote no local copy of Grass"
keys ctrl+e
dialog_answer "Export Detail Texture" "ctrl+l ctrl+a" "$work/out.png"
wait_for 10 test -s "$work/out.png" || fail "Ctrl+E wrote no PNG: $(ls "$work")"
changed=$(compare -metric AE "$work/in.png" "$work/out.png" null: 2>&1)
[ "$changed" = 0 ] || fail "the exported picture differs from the imported one in $changed pixels"

# Quit: the close request brings the quit question.
e2e_quit "$window" focus
echo "passed"
