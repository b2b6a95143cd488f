#!/usr/bin/env bash
# Installs what is missing, builds Velkaro in Release and plays a game
# (the bundled example game when none is given).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source scripts/packages.sh
ensure_packages

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release

if [ $# -eq 0 ]; then
    set -- build/release/examples/catch.qvf
fi
exec build/release/bin/velkaro "$@"
