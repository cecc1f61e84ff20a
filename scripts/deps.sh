#!/bin/bash
# Installs what building, running and testing need on Debian 12 (as root).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libcurl4-openssl-dev curl ca-certificates
    fonts-dejavu-core fonts-liberation2
    xvfb xauth
    desktop-file-utils appstream dpkg-dev file
    lintian man-db
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
