#!/usr/bin/env bash
# Takes the README's screenshots of the Windows importer in a console window of its own, as a
# double-click and a mission file dropped on it start it: under Wine (wineconsole) on Xvfb with
# openbox, from a folder named with letters outside ASCII.
#   tools/screenshots-importer.sh IMPORTER.exe [OUT_DIR]   (default OUT_DIR: docs/)
set -euo pipefail
importer="$(readlink -f "$1")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(readlink -f "${2:-$here/docs}")"
mkdir -p "$out"
scratch="$(mktemp -d)"
export WINEPREFIX="$scratch/wine" WINEDEBUG=-all DISPLAY=:92
# A drive of its own, D:, as a player's games disk.
games="$scratch/D/Commandos Größe"
folder="$scratch/D/Spiele für Tobrin"
mkdir -p "$games" "$folder"
cp "$importer" "$folder/"
cp -R "$here/tobrinmis" "$folder/"
rm -f "$folder"/tobrinmis/*.tmp
# A small mission with the two blocks among other objects.
python3 - "$games/Mapa0001.mis" <<'EOF_PY'
import sys
objects = "".join(f"[ .CLASS PUERTA .X {i * 7} .Y {i * 3} ]\r\n" for i in range(40))
enemies = "".join(f"[ .CLASS ALEMAN .X {i * 5} .Y {i * 2} ]\r\n" for i in range(30))
open(sys.argv[1], "w", newline="").write(
    "[ .NOMBRE MISION1\r\n.OBJETOS [\r\n" + objects +
    "[ .CLASS BICHOALIADO .TOKEN COMANDO .X 120 .Y 45 ]\r\n" + enemies +
    "]\r\n.INTERFAZ [\r\n[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]\r\n]\r\n]\r\n")
EOF_PY

Xvfb :92 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null; kill $wm $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
sleep 1
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
wineboot --init >/dev/null 2>&1
ln -s "$scratch/D" "$WINEPREFIX/dosdevices/d:"

shot() { # name, arguments of the importer...
    local name="$1"
    shift
    # Started from another folder than its own, as Explorer may start it.
    (cd "$games" && exec wineconsole 'D:\Spiele für Tobrin\tobrins-mustrel-import.exe' "$@") \
        >/dev/null 2>&1 &
    local console=$!
    eval "$(xdotool search --sync --onlyvisible --name 'tobrins-mustrel-import' \
        getwindowgeometry --shell | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    sleep 2 # until the program has written its report and waits for a key
    import -window root "$scratch/screen.png"
    # The window with its frame, which openbox draws around it.
    convert "$scratch/screen.png" -crop "$((WIDTH + 9))x$((HEIGHT + 31))+$((X - 5))+$((Y - 43))" \
        +repage -strip "$out/$name.png"
    xdotool key space
    wait $console || true # the importer's own status
}
shot importer-double-click
shot importer-dropped-file 'D:\Commandos Größe\Mapa0001.mis'
