#!/usr/bin/env bash
# Installs the Debian packages Glanmail needs to build and test, when they are missing; with the
# argument "package", also those that make the Debian package and test it installed.
set -euo pipefail

packages=(
    g++ clang cmake ninja-build pkg-config clang-format clang-tidy
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libgl-dev qt6-svg-dev qt6-multimedia-dev qt6-translations-l10n
    fonts-liberation poppler-utils xvfb xauth x11-utils
    desktop-file-utils shared-mime-info appstream libxml2-utils man-db groff-base
    sox
    tzdata
    libcli11-dev nlohmann-json3-dev
    python3
    mutt
)
if [ "${1:-}" = package ]; then
    packages+=(dpkg-dev lintian xdg-utils libglib2.0-bin)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q || true
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
