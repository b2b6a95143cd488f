#!/usr/bin/env bash
# Installs what is missing, builds Velkaro in Release and plays a game
# (the bundled example game when none is given). A game's path may be relative to the
# folder the command is typed in.
set -euo pipefail
here="$PWD"
cd "$(dirname "${BASH_SOURCE[0]}")"
root="$PWD"
source scripts/packages.sh
ensure_packages "${VELKARO_PACKAGES[@]}"

# Tests and benchmarks are ./test.sh's: this build needs none of their packages.
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELKARO_TESTS=OFF \
    -DVELKARO_BENCHMARKS=OFF >/dev/null
# Only the programs and the example games: tests and benchmarks are built by ./test.sh.
cmake --build build/release --target velkaro qvf examples

cd "$here"
if [ $# -eq 0 ]; then
    set -- "$root/build/release/examples/catch.qvf"
fi
exec "$root/build/release/bin/velkaro" "$@"
