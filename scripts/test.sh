#!/bin/bash
# Installs what is missing, builds everything with AddressSanitizer,
# UndefinedBehaviorSanitizer and warnings as errors, runs the whole test suite
# and checks the install.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVORNIX_SANITIZE=ON -DVORNIX_WERROR=ON
cmake --build build-test

export QT_QPA_PLATFORM=offscreen
(cd build-test && ctest --output-on-failure --parallel 2)

if [[ -f scripts/check-install.sh ]]; then
    bash scripts/check-install.sh build-test
fi
