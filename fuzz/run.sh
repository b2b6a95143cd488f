#!/usr/bin/env bash
# Builds the fuzzers with clang and runs one for the given number of seconds (default 600),
# starting from a corpus of valid game files, or of RTF files for the rich-text reader:
#   fuzz/run.sh [SECONDS] [load_game_fuzzer | game_file_syntax_fuzzer | rich_text_fuzzer]
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-600}
fuzzer=${2:-load_game_fuzzer}
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELKARO_FUZZ=ON -DVELKARO_TESTS=OFF -DVELKARO_BENCHMARKS=OFF >/dev/null
if [[ $fuzzer == rich_text_fuzzer ]]; then
    cmake --build build/fuzz --target "$fuzzer"
    corpus=build/fuzz/rich_text_corpus
    mkdir -p "$corpus"
    cp tests/data/rtf/*.rtf "$corpus"/
    extra=(-dict=fuzz/rtf.dict)
else
    cmake --build build/fuzz --target "$fuzzer" load_game_seeds
    corpus=fuzz/corpus
    mkdir -p "$corpus"
    build/fuzz/bin/load_game_seeds "$corpus"
    extra=()
fi
build/fuzz/bin/"$fuzzer" "$corpus" -max_total_time="$seconds" -rss_limit_mb=2048 \
    -max_len=65536 -artifact_prefix=fuzz/ "${extra[@]}"
