#!/usr/bin/env bash
# Takes the README's screenshots: runs the editor under Xvfb with the openbox window manager (so
# that windows are activated and show their keyboard focus as on a desktop) in a scratch copy of
# the workspace, clicks through it with xdotool and crops each window's client area out of the
# screen.
#   tools/screenshots.sh PROGRAM [OUT_DIR] [SCALE]   (default OUT_DIR: docs/; SCALE, a whole number: 1)
# With SCALE 2 the windows are drawn as on a high-dpi screen and the names end in "@2x".
# It needs Xvfb, openbox, xdotool and ImageMagick's import and convert, which the test command
# does not install: apt-get install xvfb openbox xdotool imagemagick
set -euo pipefail
for tool in Xvfb openbox xdotool import convert; do
    command -v "$tool" >/dev/null || {
        echo "$0 needs $tool: apt-get install xvfb openbox xdotool imagemagick" >&2
        exit 1
    }
done
program="$(readlink -f "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(readlink -f "${2:-$here/docs}")"
s="${3:-1}"
suffix=""
[ "$s" = 1 ] || suffix="@${s}x"
export QT_SCALE_FACTOR="$s"
scratch="$(mktemp -d)"
cp -R "$here/tobrinmis" "$scratch/"
rm -f "$scratch"/tobrinmis/*.tmp
# A mission saved earlier, so that "OK" asks whether to replace it.
printf 'an earlier mission\r\n' >"$scratch/Mapa0001.mis"

Xvfb :91 -screen 0 $((1024 * s))x$((768 * s))x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $wm $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
export DISPLAY=:91
sleep 1
HOME="$scratch" XDG_CONFIG_HOME="$scratch" openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 1
(cd "$scratch" && exec "$program") &
app=$!

shot() { # name, client area x, y, width, height (all as on the screen)
    sleep 0.5
    import -window root "$scratch/screen.png"
    convert "$scratch/screen.png" -crop "$4x$5+$2+$3" +repage "$out/$1$suffix.png"
}
at() { # window x, y, offset x, y (unscaled): moves the pointer there
    xdotool mousemove --sync $(($1 + $3 * s)) $(($2 + $4 * s))
}
# The client area of a window (X, Y, WIDTH, HEIGHT), which the window manager's frame surrounds:
# by its title, or the active window.
place() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {print "X=" $NF} /Absolute upper-left Y/ {print "Y=" $NF}
                             /Width:/ {print "WIDTH=" $NF} /Height:/ {print "HEIGHT=" $NF}'
}
window() { place "$(xdotool search --sync --onlyvisible --name "$1" | tail -1)"; }
active() { sleep 0.5 && place "$(xdotool getactivewindow)"; }

eval "$(window "^Tobrin's Mustrel$")"
at "$X" "$Y" 232 143 && xdotool click 1
shot selection-window "$X" "$Y" "$WIDTH" "$HEIGHT"
at "$X" "$Y" 364 356 && xdotool click 1

eval "$(window '^GB in')"
shot character-sheet "$X" "$Y" "$WIDTH" "$HEIGHT"
at "$X" "$Y" 360 356 && xdotool click 1

eval "$(window '^Save Mission$')"
shot save-dialog "$X" "$Y" "$WIDTH" "$HEIGHT"
at "$X" "$Y" 216 156 && xdotool click 1

# The workspace holds the stand-in pieces: the note, then "Save anyway".
eval "$(active)"
shot standin-note "$X" "$Y" "$WIDTH" "$HEIGHT"
xdotool key alt+s

# The name is taken: the question whether to replace it.
eval "$(active)"
shot replace-question "$X" "$Y" "$WIDTH" "$HEIGHT"
xdotool key Escape
