#!/usr/bin/env bash
# Makes the zip for Windows players from a Windows build of the editor (cmake/mingw-w64.cmake with
# Qt for Windows), leaves it in OUTPUT_DIR, and checks it: unzipped into a folder named with
# letters outside ASCII, the editor saves a mission there under Wine, with nothing but what the
# zip holds.
#   tools/package-windows.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
output="$(cd "$2" && pwd)"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
name="tobrins-mustrel-$version-windows-x64"

staging="$build/zip"
rm -rf "$staging"
mkdir -p "$staging"
cmake --install "$build" --prefix "$staging/$name" --strip >/dev/null
rm -f "$output/$name.zip"
(cd "$staging" && cmake -E tar cf "$output/$name.zip" --format=zip "$name")
echo "Built $name.zip ($(du -k "$output/$name.zip" | cut -f1) KB):"
unzip -l "$output/$name.zip" 2>/dev/null || python3 -m zipfile -l "$output/$name.zip"

check="$(mktemp -d)"
trap 'rm -rf "$check"' EXIT
unpacked="$check/Spiele für Tobrin"
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$output/$name.zip")
# No --dlls: the editor must find its DLLs and plugins in the zip alone.
status=0
WINEPREFIX="$build/wine" python3 "$here/tests/e2e/save_mission_e2e.py" \
    "$unpacked/$name/tobrins-mustrel.exe" "$unpacked/$name/tobrinmis" \
    "$here/cmake/wine-run" --display || status=$?
case $status in
0) echo "Checked: unzipped into \"$unpacked\", the editor saved a mission under Wine." ;;
77) echo "Not checked under Wine: a tool for the desktop is missing (see above)." ;;
*)
    echo "The zip's editor did not save the mission under Wine; the zip is not ready." >&2
    exit 1
    ;;
esac
