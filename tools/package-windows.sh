#!/usr/bin/env bash
# Makes the zip for Windows players from a Windows build of the editor (cmake/mingw-w64.cmake with
# Qt for Windows), leaves it in OUTPUT_DIR, and checks it: unzipped into a folder named with
# letters outside ASCII, the editor saves a mission there under Wine, with nothing but what the
# zip holds. Given a second build of the same commit, it checks that that build's zip is the same
# byte for byte.
#   tools/package-windows.sh BUILD_DIR OUTPUT_DIR [SECOND_BUILD_DIR]
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
output="$(cd "$2" && pwd)"
second="${3:+$(cd "$3" && pwd)}"
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
name="tobrins-mustrel-$version-windows-x64"
# The zip's dates are the last commit's, as the Debian package's are.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH="$(git -C "$here" log -1 --format=%ct 2>/dev/null)" ||
        { echo "Not a git clone: set SOURCE_DATE_EPOCH to the release's time." >&2; exit 1; }
fi
export SOURCE_DATE_EPOCH

# make_zip BUILD_DIR ZIP: installs the build into BUILD_DIR/zip and zips it, the same way every
# time: entries in the order of their names, each dated SOURCE_DATE_EPOCH, with fixed modes.
make_zip() {
    local staging="$1/zip"
    rm -rf "$staging"
    mkdir -p "$staging"
    cmake --install "$1" --prefix "$staging/$name" --strip >/dev/null
    rm -f "$2"
    python3 - "$staging" "$name" "$2" <<'EOF_PY'
import os
import sys
import time
import zipfile

staging, name, out = sys.argv[1:]
# A zip's dates start in 1980, in no time zone: the commit's in UTC.
date = time.gmtime(max(int(os.environ["SOURCE_DATE_EPOCH"]), 315532800))[:6]
entries = []
for folder, folders, files in os.walk(os.path.join(staging, name)):
    rel = os.path.relpath(folder, staging).replace(os.sep, "/")
    entries.append((rel + "/", None))
    entries += [(rel + "/" + f, os.path.join(folder, f)) for f in files]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    for arcname, path in sorted(entries):
        info = zipfile.ZipInfo(arcname, date)
        # The same modes whatever the umask: 0755 for a folder (with Windows' folder flag), 0644
        # for a file, which Windows ignores and an unzip on POSIX honours.
        info.create_system = 3
        info.external_attr = (0o40755 << 16) | 0x10 if path is None else 0o100644 << 16
        if path is None:
            z.writestr(info, b"")
        else:
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
EOF_PY
}

make_zip "$build" "$output/$name.zip"
echo "Built $name.zip ($(du -k "$output/$name.zip" | cut -f1) KB):"
unzip -l "$output/$name.zip" 2>/dev/null || python3 -m zipfile -l "$output/$name.zip"
# Complete: the texts for players, every licence, the project's own source.
listing="$(python3 -m zipfile -l "$output/$name.zip")"
for want in README.txt LICENSE.txt Qt-NOTICE.txt licences/qt/copyright \
    licences/gcc-mingw-w64-x86-64-posix-runtime/copyright licences/mingw-w64-x86-64-dev/copyright \
    "source/tobrins-mustrel-$version-source.zip"; do
    grep -qF "$name/$want " <<<"$listing" || { echo "The zip lacks $want" >&2; exit 1; }
done
if [ -n "$second" ]; then
    make_zip "$second" "$second/$name.zip"
    if ! cmp "$output/$name.zip" "$second/$name.zip"; then
        echo "Two builds of one commit gave different zips: $output/$name.zip and $second/$name.zip" >&2
        exit 1
    fi
    echo "Checked: a second build of the commit, in $second, gave the same zip byte for byte."
fi

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
