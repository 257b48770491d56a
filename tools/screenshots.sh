#!/usr/bin/env bash
# Takes the README's screenshots: runs the editor under Xvfb in a scratch copy of the
# workspace, clicks through it with xdotool and crops each window out of the screen.
#   tools/screenshots.sh PROGRAM [OUT_DIR] [SCALE]   (default OUT_DIR: docs/; SCALE, a whole number: 1)
# With SCALE 2 the windows are drawn as on a high-dpi screen and the names end in "@2x".
set -euo pipefail
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

Xvfb :91 -screen 0 $((1024 * s))x$((768 * s))x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
export DISPLAY=:91
sleep 1
(cd "$scratch" && exec "$program") &
app=$!

shot() { # name, window x, y, width, height (the width and height unscaled)
    sleep 0.5
    import -window root "$scratch/screen.png"
    convert "$scratch/screen.png" -crop "$(($4 * s))x$(($5 * s))+$2+$3" +repage "$out/$1$suffix.png"
}
at() { # window x, y, offset x, y (unscaled): moves the pointer there
    xdotool mousemove --sync $(($1 + $3 * s)) $(($2 + $4 * s))
}
window() { xdotool search --sync --onlyvisible --name "$1" getwindowgeometry --shell | grep -E '^[XY]='; }

eval "$(window "^Tobrin's Mustrel$")"
at "$X" "$Y" 232 143 && xdotool click 1
shot selection-window "$X" "$Y" 512 383
at "$X" "$Y" 364 356 && xdotool click 1

eval "$(window '^GB in')"
shot character-sheet "$X" "$Y" 512 385
at "$X" "$Y" 360 356 && xdotool click 1

eval "$(window '^Save Mission$')"
shot save-dialog "$X" "$Y" 292 221
