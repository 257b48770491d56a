#!/usr/bin/env bash
# Sets up, builds, runs, tests and packages Tobrin's Mustrel on Debian 12.
#   ./project.sh run      install what is needed, build the editor, and start it (needs a display)
#   ./project.sh test     install what is needed, build, and run every test, then again under
#                         AddressSanitizer and UndefinedBehaviorSanitizer, then the core's tests
#                         built for Windows and run under Wine, and the editor built for Windows
#                         with its windows tested under Wine
#   ./project.sh package  install what is needed, build the Debian package, check it with
#                         lintian, desktop-file-validate and appstreamcli, and leave it here
#   ./project.sh package-windows
#                         install what is needed, build the zip for Windows twice and check
#                         that both are the same, check that it saves a mission under Wine,
#                         and leave it here
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$here"

# What building and running the editor needs; the tests and the package need more.
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    fonts-liberation
)
test_packages=(
    libgtest-dev libbenchmark-dev
    xvfb xauth xdotool python3 openbox strace
    mingw-w64 wine wine64 googletest dpkg-dev
)
package_packages=(dpkg-dev fakeroot file lintian desktop-file-utils appstream)
# The zip for Windows is checked as the test command checks the Windows editor.
windows_packages=(mingw-w64 wine wine64 dpkg-dev xvfb xauth xdotool python3 openbox)

install_packages() { # extra packages...
    local missing=()
    for p in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}; run this as root (or install them with apt-get)." >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    # Another install (an unattended upgrade, a second command) may hold apt's locks: wait for
    # them, up to ten minutes. apt-get waits for dpkg's lock when told to, but not for the package
    # lists' lock, which another update holds: the update is tried again while that is the reason.
    local out tries=0
    until out=$(apt-get -o DPkg::Lock::Timeout=600 update -qq 2>&1); do
        if ! grep -q "Could not get lock" <<<"$out" || [ $((tries += 1)) -gt 120 ]; then
            printf '%s\n' "$out" >&2
            exit 1
        fi
        [ "$tries" -gt 1 ] || echo "Waiting for another install to finish..." >&2
        sleep 5
    done
    [ -z "$out" ] || printf '%s\n' "$out"
    apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() { # build-dir, extra cmake arguments...
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}

# Debian's hardening flags (_FORTIFY_SOURCE, -Wformat-security, the stack protector...) as a
# Debian build of the package would use them, in the compiler's variables of the environment.
debian_flags() {
    eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
    export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
}

# Shows a checker's report and fails when a line of it matches the checker's error pattern.
check_report() { # name, error pattern, command...
    local name="$1" errors="$2" report
    shift 2
    report="$("$@" 2>&1)" || true
    [ -z "$report" ] || printf '%s:\n%s\n' "$name" "$report"
    if grep -q -- "$errors" <<<"$report"; then
        echo "$name reports errors; the package is not ready." >&2
        exit 1
    fi
}

case "${1:-}" in
run)
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
        echo "There is no display to show the editor on (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
        echo "Run it on a desktop, or on a virtual X display: xvfb-run -a ./project.sh run" >&2
        echo "(xvfb-run comes with Debian's xvfb package: apt-get install xvfb xauth)" >&2
        exit 1
    fi
    install_packages
    # Without warnings as errors: a new compiler's new warning must not keep a user from running
    # the editor. The test command builds this configuration with them (and Debian's hardening flags).
    cmake -S . -B build-release -G Ninja -DTM_WERROR=OFF -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_TESTING=OFF
    cmake --build build-release --parallel "$(nproc)" --target tobrins-mustrel
    # The editor reads and writes its workspace folder, tobrinmis/, under the current folder.
    exec ./build-release/app/tobrins-mustrel
    ;;
package)
    install_packages "${package_packages[@]}"
    debian_flags
    # Built twice from one commit, the package is the same byte for byte: its dates (the
    # changelog's, the release's, the files' in the archive) are the last commit's, and the
    # compiler writes paths relative to the clone (TM_REPRODUCIBLE).
    if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
        SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null)" ||
            { echo "Not a git clone: set SOURCE_DATE_EPOCH to the release's time." >&2; exit 1; }
    fi
    export SOURCE_DATE_EPOCH
    rm -rf build-package
    configure_and_build build-package -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
        -DTM_REPRODUCIBLE=ON \
        -DBUILD_TESTING=OFF
    (umask 022 && cd build-package && fakeroot cpack -G DEB)
    deb="$(ls build-package/tobrins-mustrel_*.deb)"
    cp "$deb" .
    deb="$(basename "$deb")"
    contents="$(mktemp -d)"
    trap 'rm -rf "$contents"' EXIT
    dpkg-deb -x "$deb" "$contents"
    check_report lintian "^E: " lintian --display-info --tag-display-limit 0 "$deb"
    check_report desktop-file-validate ": error: " \
        desktop-file-validate "$contents"/usr/share/applications/tobrins-mustrel.desktop
    check_report appstreamcli "^E: " appstreamcli validate --no-net --explain \
        "$contents"/usr/share/metainfo/tobrins-mustrel.metainfo.xml
    echo "Built $deb; install it with: apt-get install ./$deb"
    ;;
test)
    install_packages "${test_packages[@]}"
    configure_and_build build -DTM_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ctest --test-dir build --output-on-failure --timeout 300
    # The programs as run builds them, with Debian's hardening flags as the package has them:
    # the optimiser at -O3 and _FORTIFY_SOURCE find warnings of their own.
    (
        debian_flags
        configure_and_build build-hardened -DTM_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" \
            -DBUILD_TESTING=OFF
    )
    configure_and_build build-asan -DTM_WERROR=ON -DCMAKE_BUILD_TYPE=Debug -DTM_SANITIZE=ON
    ASAN_OPTIONS=detect_odr_violation=0 \
        LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure --timeout 600
    # The core and the importer as Windows programs (no Qt), their tests run under Wine.
    configure_and_build build-windows -DTM_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTM_BUILD_GUI=OFF
    WINEPREFIX="$here/build-windows/wine" ctest --test-dir build-windows --output-on-failure --timeout 300
    # The editor as a Windows program against Qt for Windows (built once per machine, about half
    # an hour the first time): its windows' tests and the end-to-end save under Wine.
    qt_windows="$(tools/build-qt-windows.sh | tail -n 1)"
    configure_and_build build-windows-gui -DTM_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTM_QT_WINDOWS_PREFIX="$qt_windows"
    WINEPREFIX="$here/build-windows-gui/wine" ctest --test-dir build-windows-gui --output-on-failure \
        --timeout 300 -L '^(gui|e2e|windows)$'
    ;;
package-windows)
    install_packages "${windows_packages[@]}"
    qt_windows="$(tools/build-qt-windows.sh | tail -n 1)"
    # Built twice from one commit, in two folders, the zip must be the same byte for byte: its
    # dates are the last commit's, and the compiler writes paths relative to the clone.
    if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
        SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null)" ||
            { echo "Not a git clone: set SOURCE_DATE_EPOCH to the release's time." >&2; exit 1; }
    fi
    export SOURCE_DATE_EPOCH
    for dir in build-package-windows build-package-windows-again; do
        rm -rf "$dir"
        configure_and_build "$dir" -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DTM_QT_WINDOWS_PREFIX="$qt_windows" \
            -DTM_REPRODUCIBLE=ON -DBUILD_TESTING=OFF
    done
    tools/package-windows.sh build-package-windows "$here" build-package-windows-again
    ;;
*)
    sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
