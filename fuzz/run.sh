#!/usr/bin/env bash
# Builds the fuzzers with clang (address and undefined-behaviour sanitizers) into build/fuzz and
# runs them, each for the given number of seconds (default 600) from its seed corpus:
#   fuzz/run.sh [SECONDS]            every fuzzer, one after the other
#   fuzz/run.sh [SECONDS] FUZZER...  only those named
# Fuzzers: load_game_fuzzer game_file_syntax_fuzzer rich_text_fuzzer picture_fuzzer
#          play_game_fuzzer game_code_fuzzer headless_scripts_fuzzer description_fuzzer
# Each runs with at most 512 MB of memory and 10 seconds an input. The inputs each found worth
# keeping stay in build/fuzz/corpus/FUZZER, its log in build/fuzz/logs/FUZZER.log, and what
# fails in build/fuzz/artifacts/FUZZER-*. At the end a table shows, per fuzzer, the inputs run,
# the time, the peak memory and whether it found anything; the exit status is 1 when one did.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
seconds=${1:-600}
shift || true
all=(load_game_fuzzer game_file_syntax_fuzzer rich_text_fuzzer picture_fuzzer play_game_fuzzer
     game_code_fuzzer headless_scripts_fuzzer description_fuzzer)
if [[ $# -gt 0 ]]; then
    fuzzers=("$@")
else
    fuzzers=("${all[@]}")
fi
for fuzzer in "${fuzzers[@]}"; do
    if [[ " ${all[*]} " != *" $fuzzer "* ]]; then
        echo "fuzz/run.sh: unknown fuzzer $fuzzer (one of: ${all[*]})" >&2
        exit 2
    fi
done

build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELKARO_FUZZ=ON -DVELKARO_TESTS=OFF -DVELKARO_BENCHMARKS=OFF >/dev/null
# Whether one of the named fuzzers is to run.
wants() {
    local name
    for name in "$@"; do
        [[ " ${fuzzers[*]} " == *" $name "* ]] && return 0
    done
    return 1
}
game_file_fuzzers=(load_game_fuzzer game_file_syntax_fuzzer play_game_fuzzer description_fuzzer)
tools=()
wants "${game_file_fuzzers[@]}" && tools+=(qvf load_game_seeds)
wants game_code_fuzzer && tools+=(game_code_seeds)
cmake --build "$build" --target "${fuzzers[@]}" "${tools[@]}"

# The seed corpora, written afresh from the sources for this run.
mkdir -p "$build"
seeds=$(mktemp -d "$build/seeds.XXXXXX")
# The scratch folders of the fuzzers that run game code: a fenced-in fuzzer can empty its own
# but not remove it.
scratch=$(mktemp -d "$build/scratch.XXXXXX")
trap 'rm -rf "$seeds" "$scratch"' EXIT
mkdir -p "$seeds"/{game_files,rich_text,pictures,game_code,headless_scripts,description}
if wants "${game_file_fuzzers[@]}"; then
    "$build"/bin/load_game_seeds "$seeds"/game_files
    for description in examples/*/*.json tests/games/*.json; do
        name=$(basename "$(dirname "$description")")-$(basename "$description" .json)
        "$build"/bin/qvf pack "$description" -o "$seeds/game_files/$name.qvf" 2>/dev/null ||
            echo "fuzz/run.sh: $description does not pack; left out of the seeds" >&2
        cp "$description" "$seeds/description/$name.json"
    done
fi
cp tests/data/rtf/*.rtf "$seeds"/rich_text/
for help in examples/*/*_data/*.rtf; do
    cp "$help" "$seeds/rich_text/$(basename "$(dirname "$help")")-$(basename "$help")"
done
# Pictures of every kind the reader knows, made by other programs.
cp tests/data/metafiles/*.{emf,wmf,png} fuzz/seeds/pictures/* "$seeds"/pictures/
# The examples' smaller pictures too: longer inputs only slow the fuzzer down.
find examples -path '*/sprites/*' -size -64k -type f -o -path '*_data/*' -size -64k -type f \
    \( -name '*.bmp' -o -name '*.png' -o -name '*.gif' -o -name '*.jpg' \) |
    while read -r picture; do
        cp "$picture" "$seeds/pictures/$(basename "$(dirname "$picture")")-$(basename "$picture")"
    done
if wants game_code_fuzzer; then
    "$build"/bin/game_code_seeds tests/script/corpus/code_corpus.txt "$seeds"/game_code >/dev/null
fi
cp fuzz/seeds/headless_scripts/* "$seeds"/headless_scripts/
# The first byte tells the fuzzer an input file (0) from an answers file (1).
for example in examples/*/; do
    name=$(basename "$example")
    [[ -f $example/play.txt ]] &&
        { printf '\x00'; cat "$example/play.txt"; } >"$seeds/headless_scripts/$name-input"
    [[ -f $example/answers.txt ]] &&
        { printf '\x01'; cat "$example/answers.txt"; } >"$seeds/headless_scripts/$name-answers"
done

# The largest seed of a folder, but at least 64 KB: longer inputs than the seeds only slow
# the fuzzer down.
max_len() {
    local largest
    largest=$(find "$1" -type f -printf '%s\n' | sort -n | tail -1)
    echo $((largest > 65536 ? largest : 65536))
}

mkdir -p "$build"/logs "$build"/artifacts
summary=()
failed=0
for fuzzer in "${fuzzers[@]}"; do
    extra=()
    case $fuzzer in
    load_game_fuzzer | game_file_syntax_fuzzer | play_game_fuzzer) seed=game_files ;;
    rich_text_fuzzer) seed=rich_text extra=(-dict=fuzz/rtf.dict) ;;
    picture_fuzzer) seed=pictures ;;
    game_code_fuzzer) seed=game_code extra=(-dict=fuzz/code.dict) ;;
    headless_scripts_fuzzer) seed=headless_scripts ;;
    description_fuzzer) seed=description ;;
    esac
    corpus=$build/corpus/$fuzzer
    mkdir -p "$corpus"
    log=$build/logs/$fuzzer.log
    echo "== $fuzzer for ${seconds} s (log: $log)"
    start=$(date +%s)
    status=0
    # Fontconfig keeps caches it never frees; the tests' suppressions say so. The address
    # sanitizer holds freed memory back to catch its use (256 MB by default, more in resident
    # size): a game whose strings grow and are copied step after step filled that past the
    # memory limit while the game itself used 14 MB. A smaller quarantine keeps the limit a
    # measure of what the programs use.
    TMPDIR=$(realpath "$scratch") LSAN_OPTIONS=suppressions=tests/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS} \
        ASAN_OPTIONS=quarantine_size_mb=32${ASAN_OPTIONS:+:$ASAN_OPTIONS} \
        "$build"/bin/"$fuzzer" "$corpus" "$seeds/$seed" -max_total_time="$seconds" \
        -rss_limit_mb=512 -timeout=10 -max_len="$(max_len "$seeds/$seed")" \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$fuzzer-" "${extra[@]}" \
        >"$log" 2>&1 || status=$?
    elapsed=$(($(date +%s) - start))
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
    if [[ $status -eq 0 ]]; then
        result=clean
    else
        result="FOUND (exit $status): $(grep -m1 -E '^==[0-9]+==ERROR|^SUMMARY|deadly signal|timeout' "$log" || true)"
        failed=1
    fi
    summary+=("$(printf '%-26s %12s inputs %6s s %6s MB  %s' "$fuzzer" "${runs:-?}" "$elapsed" \
        "${rss:-?}" "$result")")
    echo "${summary[-1]}"
done
echo
echo "== Summary (inputs run, time, peak RSS)"
printf '%s\n' "${summary[@]}"
exit $failed
