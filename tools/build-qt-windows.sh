#!/usr/bin/env bash
# Builds Qt for Windows (x86_64-w64-mingw32, shared, release) from Debian's source of the Qt
# version installed here, once per machine, into a cache folder outside the repository, and
# prints that folder (the Qt prefix) on its last line. A complete build found there is reused.
#   tools/build-qt-windows.sh
# The cache folder is ${XDG_CACHE_HOME:-~/.cache}/tobrins-mustrel unless TM_QT_WINDOWS_CACHE
# names another. Only the modules the editor needs are built: Core, Gui, Widgets, Test and the
# Windows platform plugin, with Qt's bundled zlib, pcre2, png, jpeg, freetype and harfbuzz.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
cache="${TM_QT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tobrins-mustrel}"
prefix="$cache/qt-$version-mingw-w64"
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

# Two runs on one machine take turns: the second waits for the first instead of removing its
# build, then uses what it made. The lock is the open file; it goes with the process.
mkdir -p "$cache"
exec 9>>"$cache/qt-$version-mingw-w64.lock"
if ! flock -n 9; then
    echo "Waiting for another build of Qt for Windows in $cache to finish..." >&2
    flock 9
fi
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

work="$cache/qt-$version-mingw-w64.build"
log="$work/build.log"
rm -rf "$work" "$prefix"
mkdir -p "$work"
echo "Building Qt $version for Windows into $prefix, once for this machine:" \
    "the first build takes about half an hour. Its log: $log" >&2
trap 'echo "The build of Qt for Windows failed; its log is $log" >&2' ERR

# Debian's source of the installed version, fetched through a sources list of this build's own,
# so that the machine's apt configuration is left as it is.
apt_dir="$work/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list >"$apt_dir/sources.list.d/main.list"
fi
apt_options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
    -o "APT::Sandbox::User=root")
{
    apt-get "${apt_options[@]}" update
    (cd "$work" && apt-get "${apt_options[@]}" source "qt6-base=$version")
} >>"$log" 2>&1
source_dir="$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)"

{
    cmake -S "$source_dir" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-compilers.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_dbus=OFF \
        -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF \
        -DFEATURE_directwrite3=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_jpeg=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF
    cmake --build "$work/build" --parallel "$(nproc)"
    cmake --install "$work/build" --strip
} >>"$log" 2>&1
# Qt's licences and Debian's copyright file, which names the licence of each part of the source
# (Qt's own and the bundled libraries'): they go with every copy of the DLLs.
mkdir -p "$prefix/share/doc/qt6-base"
cp -r "$source_dir/LICENSES" "$source_dir/debian/copyright" "$prefix/share/doc/qt6-base/"
echo "$version" >"$prefix/share/doc/qt6-base/debian-version"
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
