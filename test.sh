#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
source scripts/packages.sh
ensure_packages "${VELKARO_PACKAGES[@]}" "${VELKARO_TEST_PACKAGES[@]}"

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELKARO_SANITIZE=ON >/dev/null
cmake --build build/test
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# fontconfig keeps a few bytes of its configuration until the process ends.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp"
ctest --test-dir build/test --output-on-failure -j "$(nproc)"
