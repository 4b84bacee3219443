# Shared steps of the real-program scenarios. Each scenario is started by e2e_run.sh as
# <script> <program folder> <program name> [emulator], with the sample game writer in
# E2E_WRITER, on a private copy of the program folder and in an X server of its own; it sources
# this file and calls e2e_begin "$@". Needs xdotool, xclip, ImageMagick's import and python3.

# e2e_begin <program folder> <program name> [emulator]: sets folder, program, emulator,
# writer, log (the program's output), work (a scratch folder) and slow, and changes to the
# program folder.
e2e_begin() {
    folder=$(cd "$1" && pwd) || fail "no program folder $1"
    program=$2 emulator=${3:-} writer=${E2E_WRITER:-}
    log="${TMPDIR:-/tmp}/program.log"
    : >"$log"
    work=$(mktemp -d "${TMPDIR:-/tmp}/work-XXXXXX")
    e2e_require_display
    cd "$folder" || fail "no program folder $folder"
}

# fail <what>: ends the scenario, naming what went wrong, with a picture of the screen kept
# beside the program's log.
fail() {
    echo "FAILED: $*"
    import -window root "${TMPDIR:-/tmp}/failed.png" 2>/dev/null && echo "screen: ${TMPDIR:-/tmp}/failed.png"
    [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null
    [ -n "${log:-}" ] && [ -s "$log" ] && echo "program log: $log"
    exit 1
}

# Exits 0 with "skipped" when there is no display or a tool is missing; sets slow (the wait
# factor: 6 under an emulator) and the emulated build's Mesa settings (tools/i386-gl.sh).
e2e_require_display() {
    [ -n "${DISPLAY:-}" ] || { echo "no display: skipped"; exit 0; }
    local tool
    for tool in xdotool xclip import python3; do
        command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 0; }
    done
    slow=1
    if [ -n "${emulator:-}" ]; then
        slow=6
        . "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../../tools/i386-gl.sh"
    fi
}

pixel() {  # pixel <window> <x> <y>: "r g b", or "none"
    local p
    p=$(import -window "$1" -crop "1x1+$2+$3" -depth 8 rgb:- 2>/dev/null | od -An -tu1 | tr -s ' ' | sed 's/^ //;s/ $//')
    echo "${p:-none}"
}

# Closes the window as a window manager would and answers the quit question with Enter (its
# first button, "Quit"), again until the program ends; fails unless it ended with 0. With
# "focus", the keyboard is given back to the window first and the keys go through the X test
# extension, as after a native dialog.
e2e_quit() {  # e2e_quit <window> [focus]
    local code="" here_support
    here_support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
    [ "${2:-}" = focus ] && xdotool windowfocus --sync "$1" 2>/dev/null
    for _ in $(seq 1 $((20 * slow))); do
        python3 "$here_support/../../tools/x11_close_window.py" "$1" 2>/dev/null
        sleep "$slow"
        if [ "${2:-}" = focus ]; then
            xdotool key Return 2>/dev/null
        else
            xdotool key --window "$1" Return 2>/dev/null
        fi
        for _ in 1 2 3 4; do
            sleep 0.5
            if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; code=$?; break 2; fi
        done
    done
    [ -n "$code" ] || fail "the program did not quit"
    [ "$code" = 0 ] || fail "exit code $code"
}

# Sets window once the program's window shows, or returns with it empty when the program ended
# or a minute (stretched by slow) went by.
wait_for_window_or_end() {
    for _ in $(seq 1 $((120 * slow))); do
        window=$(find_window '^Tavik$')
        [ -n "$window" ] && return 0
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.5
    done
}

# wait_for <seconds> <command...>: runs the command every half second until it succeeds
# (the time stretched by slow); fails when the program ended meanwhile, answers 1 on time-out.
wait_for() {
    local n=$(($1 * 2 * slow))
    shift
    for _ in $(seq 1 "$n"); do
        "$@" && return 0
        if [ -n "${pid:-}" ] && ! kill -0 "$pid" 2>/dev/null; then
            fail "the program ended: $(cat "${log:-/dev/null}" 2>/dev/null)"
        fi
        sleep 0.5
    done
    return 1
}
find_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(find_window "$1")" ]; }
gone_window() { [ -z "$(find_window "$1")" ]; }

# bright <x> <y> <w> <h>: how many pixels of the rectangle of $window are light text (all
# channels > 170).
bright() {
    import -window "$window" -crop "$3x$4+$1+$2" -depth 8 rgb:- 2>/dev/null |
        python3 -c 'import sys; b=sys.stdin.buffer.read(); print(sum(1 for i in range(0,len(b)-2,3) if min(b[i],b[i+1],b[i+2])>170))'
}

# wait_change <x> <y> <colour before> <what>: waits until the pixel of $window differs from
# the colour it had before the step (the emulated build draws a frame in seconds, so each
# stage waits for the screen rather than for a fixed time); fails naming what did not show.
wait_change() {
    local now
    for _ in $(seq 1 $((30 * slow))); do
        sleep 0.5
        now=$(pixel "$window" "$1" "$2")
        [ "$now" != "$3" ] && [ "$now" != none ] && return 0
    done
    fail "$4 did not show (pixel $1,$2 stayed $3)"
}

# Starts ./$program (under $emulator) from the current folder, its output appended to $log;
# sets pid and window once the window is shown and its menu bar drawn (under an emulator the
# window shows its cleared background for a while before the first full frame).
# Seen twice on a loaded machine, rarely: the program could not open the scenario's display
# although the server had answered just before. Such a start is tried again, with what the
# display looked like printed for the record.
e2e_start() {
    local try before
    for try in 1 2 3; do
        before=$(wc -c <"$log")
        $emulator "./$program" >>"$log" 2>&1 &
        pid=$!
        window=""
        wait_for_window_or_end
        if [ -z "$window" ] && ! kill -0 "$pid" 2>/dev/null &&
            tail -c +$((before + 1)) "$log" | grep -q 'Failed to open display'; then
            echo "start $try: the program could not open $DISPLAY; the server answers: $(xdotool getdisplaygeometry 2>&1)"
            ls -la /tmp/.X11-unix/ | grep "X${DISPLAY#:}\$" || echo "no socket for $DISPLAY"
            pid=""
            sleep 1
            continue
        fi
        break
    done
    [ -n "$window" ] || wait_for 60 has_window '^Tavik$' || fail "no window appeared"
    window=$(find_window '^Tavik$')
    e2e_menu_bar_drawn() {
        local bar
        bar=$(pixel "$window" 900 12)
        [ "$bar" != none ] && [ "$bar" != "$(pixel "$window" 900 600)" ]
    }
    wait_for 40 e2e_menu_bar_drawn || fail "no menu bar was drawn"
}

# dialog_settled <window id>: its picture the same twice a second apart (at the emulator's
# pace): a chooser maps its window before it has loaded its folder and placed the keyboard,
# and keys that come earlier can land in its file list and start a search.
dialog_settled() {
    local a b
    a=$(import -window "$1" -depth 8 rgb:- 2>/dev/null | md5sum)
    sleep "$slow"
    b=$(import -window "$1" -depth 8 rgb:- 2>/dev/null | md5sum)
    [ "$a" = "$b" ]
}

# clipboard <text>: the X clipboard holds the text (xclip serves it until the scenario's X
# server ends or another text replaces it). Text is pasted rather than typed: a paste is one
# key, which neither the program's input ring nor a slow dialog can cut short.
# xclip returns once its copy has forked, which takes the selection some time later: until then
# a paste gets the text before. So the text is read back until the clipboard holds it.
clipboard() {
    local text=$1
    printf %s "$text" | xclip -selection clipboard -i 2>/dev/null || fail "xclip could not take the clipboard"
    clipboard_holds() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$text" ]; }
    wait_for 20 clipboard_holds || fail "the clipboard does not hold '$text'"
}

# dialog_answer <title> <keys before pasting> <text> [<keys after>]: pastes the text into a
# native dialog and confirms it (Return unless other keys are given), again until the dialog has
# gone. The keys before are a list ("ctrl+l ctrl+a": the chooser's name line whatever has the
# keyboard, all of it selected, so that a second try replaces the first). After the text,
# Delete drops a suffix the line's completion may have selected.
dialog_answer() {
    local title=$1 before=$2 text=$3 after=${4:-Return} d
    wait_for 20 has_window "$title" || fail "no dialog '$title'"
    [ -z "$text" ] || clipboard "$text"
    for _ in 1 2 3 4 5; do
        d=$(find_window "$title")
        [ -z "$d" ] && return 0
        wait_for 10 dialog_settled "$d"
        xdotool windowfocus "$d" 2>/dev/null
        sleep 0.5
        # shellcheck disable=SC2086  # a list of keys
        if [ -n "$before" ]; then xdotool key --window "$d" $before; sleep "$slow"; fi
        if [ -n "$text" ]; then
            xdotool key --window "$d" ctrl+v
            sleep "$slow"
            xdotool key --window "$d" Delete
            sleep 0.3
        fi
        xdotool key --window "$d" "$after"
        wait_for 4 gone_window "$title" && return 0
    done
    fail "the dialog '$title' stayed"
}

# e2e_keys_to_focus: from here on, keys and typed send through the X test extension to the
# focused window, as a keyboard would: the fields of the program's dialogs take them as typed,
# where keys sent straight to the window can be lost. typed sends one key at a time, with a
# pause between: the program takes at most 32 input events between two steps.
e2e_keys_to_focus() {
    keys() { xdotool key "$@"; sleep "$slow"; }
    typed() {
        local i
        for ((i = 0; i < ${#1}; i++)); do
            xdotool type --delay 50 "${1:i:1}"
            sleep "0.$slow"
        done
        sleep "$slow"
    }
}

# menu_command <bar x> <probe x> <keys> <letters>: a click on the menu bar's item at x opens
# its menu (the pixel at the probe's x, 38 changes); the keys move into it ("Down" highlights
# its first item), each letter moves on to the next item starting with it, Enter chooses.
menu_command() {
    local before letter
    xdotool mousemove --window "$window" "$1" 10
    sleep 0.3
    before=$(pixel "$window" "$2" 38)
    xdotool click 1
    wait_change "$2" 38 "$before" "the menu at $1"
    # shellcheck disable=SC2086  # lists
    keys $3
    for letter in $4; do typed "$letter"; done
    keys Return
}
# tools_command <letters>: File's first item highlighted, Right opens Tools beside it.
tools_command() { menu_command 16 40 "Down Right Down" "$1"; }
window_command() { menu_command 102 120 "Down" "$1"; }

# paste_text <text>: into the program's focused text box, at its cursor (Ctrl+A before it
# replaces what the box holds). The key goes through the X test extension to the focused
# window.
paste_text() {
    clipboard "$1"
    xdotool key ctrl+v
    sleep "$slow"
}

# keys <key>...: to $window, after giving it the keyboard.
keys() { xdotool windowfocus "$window" 2>/dev/null; sleep 0.3; xdotool key --window "$window" "$@"; sleep "$slow"; }
# typed <text>: all at once, so that the list's type-ahead (reset after half a second of the
# program's time) sees one word even when the program draws slowly.
typed() { xdotool windowfocus "$window" 2>/dev/null; sleep 0.3; xdotool type --window "$window" --delay 0 "$1"; sleep "$slow"; }
# type_text <text>: into a text box, a letter at a time: a step takes the input events that
# came since the last one into a ring of 32 and drops the rest, and a burst of letters (three
# events each) overflows it when a step is long.
type_text() {
    xdotool windowfocus "$window" 2>/dev/null
    sleep 0.3
    xdotool type --window "$window" --delay $((100 * slow)) "$1"
    sleep "$slow"
}
# screen: a checksum of $window's picture (empty while it cannot be read).
screen() { import -window "$window" -depth 8 rgb:- 2>/dev/null | md5sum | cut -c1-32; }
changed_from() {
    local now
    now=$(screen)
    [ "$now" != "$1" ] && [ "$now" != d41d8cd98f00b204e9800998ecf8427e ]
}
# wait_changed <screen before> <what>: waits until the window's picture differs from the one
# taken before a step (under load or an emulator a page or editor can take seconds to show),
# then gives the program time to settle; fails naming what did not show.
wait_changed() {
    wait_for 20 changed_from "$1" || fail "nothing changed on screen after $2"
    sleep "$slow"
}
# click_seen <x> <y> <what>: a left click at a place of the window, which must change the screen.
click_seen() {
    local before
    before=$(screen)
    xdotool mousemove --window "$window" "$1" "$2" click 1
    wait_changed "$before" "$3"
}
# step <what> <key>... and step_typed <what> <text>: keys or a type-ahead word whose effect
# shows on screen; the script goes on once it has, so that the next keys neither pile up
# behind a slow step (the ring keeps 32 input events) nor reach the list while it still
# counts them to the last word (half a second of the program's time).
step() {
    local before
    before=$(screen)
    keys "${@:2}"
    wait_changed "$before" "$1"
}
step_typed() {
    local before
    before=$(screen)
    typed "$2"
    wait_changed "$before" "$1"
}
# ctrl_s <test> <what>: Ctrl+S until the test sees the file saved; one that comes with the
# many window events of a long step (a dialog closing, an import) can be dropped beyond the
# input ring, and saving twice does no harm.
ctrl_s() {
    for _ in 1 2 3; do
        keys ctrl+s
        wait_for 10 "$1" && return 0
    done
    fail "Ctrl+S did not save $2"
}

# The sample game's start-up logs (its duplicate and stray local files) bring the "Log
# Viewer" forward at its place (32, 32); under an emulator that happens some steps after the
# first frame, over the browser, with the keyboard. Scenarios on the sample game wait for its
# title before their first click.
log_viewer_shown() { [ "$(bright 295 66 75 18)" -gt 20 ]; }
e2e_wait_log_viewer() {
    wait_for 60 log_viewer_shown || fail "the start-up Log Viewer did not show"
    sleep "$slow"
}

# open_tag <start of a group's plural name> <start of the tag's name>: in the archive browser's
# tag tree, which shows "combined" at its default place; Enter opens the tag's editor. Home
# first, so that type-ahead finds the first group of that name from the top. Short words: a
# long one overflows the input ring of a slow step, and the keys after it go astray.
open_tag() {
    tree_top
    typed "$1"
    keys Right
    typed "$2"
    keys Return
}
# open_tag_seen <group's first letter or ""> <Downs after it> <tag's first letter>: the same, a
# key at a time, each waiting for its effect on screen. Under load or an emulator a type-ahead
# word can lose its end beyond the ring's 32 input events, or reach the program in two steps
# (the second half then starts a word of its own); a single letter cannot. The letter finds
# the first row starting with it below Home, Down moves on to the group, which must be neither
# selected nor expanded yet ("S" 1 is "Sounds" after "Scripts"; "" 1 is "Collections", the
# second row).
open_tag_seen() {
    local i
    tree_top
    [ -z "$1" ] || step_typed "choosing the first group starting with $1" "$1"
    for ((i = 0; i < $2; i++)); do step "going down the tree" Down; done
    step "expanding the group" Right
    step_typed "choosing the tag starting with $3" "$3"
    step "opening the tag" Return
}
tree_top() {
    xdotool mousemove --window "$window" 600 600 click 1  # the tree's empty part takes the keys
    sleep "$slow"
    keys Home
}
