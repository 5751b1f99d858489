#!/usr/bin/env bash
# Installs the Debian packages the viewer and its tests need; skips what is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config git
    qt6-base-dev libgl-dev fonts-dejavu-core libfontconfig-dev
    fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea fonts-symbola
    libjpeg62-turbo-dev libpng-dev libcups2-dev libgif-dev zlib1g-dev qt6-image-formats-plugins
    cups cups-client cups-bsd ghostscript
    libgtest-dev libgmock-dev libbenchmark-dev
    clang-14 libclang-rt-14-dev
    xvfb xauth x11-utils libxcb1-dev
    dpkg-dev file desktop-file-utils groff-base
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
