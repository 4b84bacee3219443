#!/usr/bin/env bash
# Screenshots of every kind of window a user can reach, taken from the real program on the
# generated sample game: tools/gallery_scenario.sh drives it through tests/app/e2e_run.sh (a
# private copy of the program folder, an X server of its own), one PNG per window into
# build/gallery/<build name>/, and an index.html there shows them with their titles. The
# emulated i386 build's pictures land beside the x86-64 ones, and build/gallery/index.html
# puts the builds side by side.
# Usage: tools/gallery.sh [build folder]   (default build/x86-64; build/i386 runs under qemu-i386)
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
folder=$(cd "${1:-$root/build/x86-64}" && pwd) || { echo "no build folder ${1:-}"; exit 1; }
name=$(basename "$folder")
emulator=""
if [ -x "$folder/Tavik64" ]; then
    program=Tavik64
elif [ -x "$folder/Tavik" ]; then
    program=Tavik
    emulator=$(sed -n 's/^CMAKE_CROSSCOMPILING_EMULATOR:[A-Z]*=//p' "$folder/CMakeCache.txt" 2>/dev/null)
    [ -n "$emulator" ] || emulator=$(command -v qemu-i386 || true)
else
    echo "no Tavik64 or Tavik in $folder (build it first)"
    exit 1
fi
writer="$folder/codex/make_sample_game"
[ -x "$writer" ] || { echo "no sample game writer $writer"; exit 1; }
gallery=$(dirname "$folder")/gallery
out="$gallery/$name"
rm -rf "$out"
mkdir -p "$out"

GALLERY_OUT=$out bash "$root/tests/app/e2e_run.sh" "$here/gallery_scenario.sh" "$folder" "$program" "$writer" $emulator
code=$?

# index.html: every picture under its title, in the order taken.
page() {  # page <title> <list file> <picture folder prefix>
    printf '<!DOCTYPE html>\n<html><head><meta charset="utf-8"><title>%s</title>\n' "$1"
    printf '<style>body{font-family:sans-serif;background:#333;color:#eee} figure{display:inline-block;margin:8px;vertical-align:top}'
    printf ' img{max-width:640px;border:1px solid #888} figcaption{margin:4px 0}</style></head><body>\n<h1>%s</h1>\n' "$1"
}
{
    page "Tavik gallery: $name"
    while IFS='|' read -r file title; do
        printf '<figure><a href="%s.png"><img src="%s.png" alt="%s"></a><figcaption>%s</figcaption></figure>\n' \
            "$file" "$file" "$title" "$title"
    done <"$out/titles.txt"
    echo '</body></html>'
} >"$out/index.html" 2>/dev/null
# The builds side by side: one row per picture, one column per build that has a gallery.
builds=$(cd "$gallery" && ls -d */ 2>/dev/null | grep -v '^defects/' | tr -d /)
{
    page "Tavik gallery"
    printf '<table><tr>'
    for b in $builds; do printf '<th>%s</th>' "$b"; done
    printf '</tr>\n'
    cat "$gallery"/*/titles.txt 2>/dev/null | awk '!seen[$0]++' | while IFS='|' read -r file title; do
        printf '<tr><td colspan="9">%s</td></tr><tr>' "$title"
        for b in $builds; do
            if [ -e "$gallery/$b/$file.png" ]; then
                printf '<td><a href="%s/%s.png"><img src="%s/%s.png" alt="%s"></a></td>' "$b" "$file" "$b" "$file" "$title"
            else
                printf '<td>(none)</td>'
            fi
        done
        printf '</tr>\n'
    done
    echo '</table></body></html>'
} >"$gallery/index.html"
echo "$(wc -l <"$out/titles.txt" 2>/dev/null || echo 0) pictures in $out (index.html); all builds: $gallery/index.html"
exit "$code"
