#!/bin/bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORNIX_BUILD_TESTS=OFF -DVORNIX_BUILD_BENCH=OFF
cmake --build build

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    echo "Vornix-Downloader is built (build/vornix-downloader) but no display is available (DISPLAY and WAYLAND_DISPLAY are unset), so it cannot be started here." >&2
    exit 1
fi
exec ./build/vornix-downloader
