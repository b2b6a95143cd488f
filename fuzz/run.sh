#!/usr/bin/env bash
# Builds the fuzzers with clang and runs one for the given number of seconds (default 600),
# starting from a corpus of valid game files:
#   fuzz/run.sh [SECONDS] [load_game_fuzzer | game_file_syntax_fuzzer]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-600}
fuzzer=${2:-load_game_fuzzer}
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELKARO_FUZZ=ON -DVELKARO_TESTS=OFF -DVELKARO_BENCHMARKS=OFF >/dev/null
cmake --build build/fuzz --target "$fuzzer" load_game_seeds
mkdir -p fuzz/corpus
build/fuzz/bin/load_game_seeds fuzz/corpus
build/fuzz/bin/"$fuzzer" fuzz/corpus -max_total_time="$seconds" -rss_limit_mb=2048 \
    -max_len=65536 -artifact_prefix=fuzz/
