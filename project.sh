#!/usr/bin/env bash
# Sets up, builds, runs and tests Tobrin's Mustrel on Debian 12.
#   ./project.sh run    install what is needed, build, and start the editor
#   ./project.sh test   install what is needed, build, and run every test, then again under
#                       AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$here"

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev libbenchmark-dev
    fonts-liberation
    xvfb xauth xdotool imagemagick python3
)

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing packages: ${missing[*]}; run this as root (or install them with apt-get)." >&2
        exit 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() { # build-dir, extra cmake arguments...
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja -DTM_WERROR=ON "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}

case "${1:-}" in
run)
    install_packages
    configure_and_build build-release -DCMAKE_BUILD_TYPE=Release -DTM_BUILD_BENCH=OFF
    # The editor reads and writes its workspace folder, tobrinmis/, under the current folder.
    exec ./build-release/app/tobrins-mustrel
    ;;
test)
    install_packages
    configure_and_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo
    ctest --test-dir build --output-on-failure --timeout 300
    configure_and_build build-asan -DCMAKE_BUILD_TYPE=Debug -DTM_SANITIZE=ON -DTM_BUILD_BENCH=OFF
    ASAN_OPTIONS=detect_odr_violation=0 \
        LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0" \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure --timeout 600
    ;;
*)
    sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
