#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by scripts/run and scripts/test: installs the Debian packages the project
# needs (only those missing) and configures and builds the tree with CMake and Ninja.
set -euo pipefail

PELMOR_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PELMOR_BUILD="${PELMOR_BUILD:-$PELMOR_ROOT/build}"

PELMOR_PACKAGES=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-multimedia-dev libqt6sql6-sqlite
    libcurl4-openssl-dev libpugixml-dev libgumbo-dev libpcre2-dev libsqlite3-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
    python3.11-doc mkdocs-doc
    clang libclang-rt-14-dev
    xvfb xauth x11-utils dbus dbus-bin python3 lintian xdotool imagemagick
    weston qt6-wayland python3-dbus dunst
    qt6-l10n-tools qt6-translations-l10n
    debhelper dpkg-dev fakeroot appstream desktop-file-utils librsvg2-bin
)

pelmor_install_packages() {
    local missing=()
    local pkg
    for pkg in "${PELMOR_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

pelmor_build() {
    cmake -S "$PELMOR_ROOT" -B "$PELMOR_BUILD" -G Ninja -DCMAKE_BUILD_TYPE="${PELMOR_BUILD_TYPE:-RelWithDebInfo}" "$@"
    cmake --build "$PELMOR_BUILD" --parallel "$(nproc)"
}
