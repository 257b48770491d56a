#!/usr/bin/env bash
# Takes the README's screenshots: runs the editor under Xvfb in a scratch copy of the
# workspace, clicks through it with xdotool and crops each window out of the screen.
#   tools/screenshots.sh PROGRAM [OUT_DIR]     (default OUT_DIR: docs/)
set -euo pipefail
program="$(readlink -f "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(readlink -f "${2:-$here/docs}")"
scratch="$(mktemp -d)"
cp -R "$here/tobrinmis" "$scratch/"
rm -f "$scratch"/tobrinmis/*.tmp

Xvfb :91 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $app $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
export DISPLAY=:91
sleep 1
(cd "$scratch" && exec "$program") &
app=$!

shot() { # name, window x, y, width, height
    sleep 0.5
    import -window root "$scratch/screen.png"
    convert "$scratch/screen.png" -crop "$4x$5+$2+$3" +repage "$out/$1.png"
}
window() { xdotool search --sync --onlyvisible --name "$1" getwindowgeometry --shell | grep -E '^[XY]='; }

eval "$(window "^Tobrin's Mustrel$")"
xdotool mousemove --sync $((X + 232)) $((Y + 143)) click 1
shot selection-window "$X" "$Y" 512 383
xdotool mousemove --sync $((X + 364)) $((Y + 356)) click 1

eval "$(window '^GB in')"
shot character-sheet "$X" "$Y" 512 385
xdotool mousemove --sync $((X + 56)) $((Y + 223)) click 1
xdotool key Down Down
shot character-sheet-sniper "$X" "$Y" 512 385
xdotool key Down Down Down Down
shot character-sheet-officer "$X" "$Y" 512 385
xdotool mousemove --sync $((X + 360)) $((Y + 356)) click 1

eval "$(window '^Save Mission$')"
shot save-dialog "$X" "$Y" 292 221
