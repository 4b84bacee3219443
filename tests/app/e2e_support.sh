# Shared steps of the end-to-end scripts, sourced after they set folder, program, emulator and
# fail(). Needs a display (Xvfb), xdotool, ImageMagick's import and python3.

# Exits 0 with "skipped" when there is no display or a tool is missing; sets slow (the wait
# factor: 6 under an emulator, where Mesa's llvmpipe generates code that crashes on some
# texture draws, so softpipe draws instead).
e2e_require_display() {
    [ -n "${DISPLAY:-}" ] || { echo "no display: skipped"; exit 0; }
    local tool
    for tool in xdotool import python3; do
        command -v "$tool" >/dev/null || { echo "$tool missing: skipped"; exit 0; }
    done
    slow=1
    if [ -n "${emulator:-}" ]; then
        slow=6
        export GALLIUM_DRIVER=softpipe
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
