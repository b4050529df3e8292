#!/usr/bin/env bash
# Fuzzes the XML parser and the address-book exchange format with libFuzzer.
#
#   scripts/fuzz.sh [SECONDS] [extra libFuzzer options...]
#
# SECONDS defaults to 60. For a long run, e.g. overnight on both cores:
#   scripts/fuzz.sh 28800 -jobs=2 -workers=2
# FUZZER picks the target: xml_parser_fuzzer (default; the parser and its
# tree) or answer_fuzzer (the answer's road from body bytes to contacts and
# Foxmail 7 records). A broken invariant is a crash. The native build
# replays the same seeds as tests (ctest --preset native -R _corpus).
# New inputs go to build/fuzz/corpus-FUZZER (the checked-in seeds in
# xml/fuzz/corpus are only read); crashes are written to build/fuzz/.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
build="$root/build/fuzz"

cmake -S "$root" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTW_FUZZ=ON >/dev/null
fuzzer="${FUZZER:-xml_parser_fuzzer}"
cmake --build "$build" --target "$fuzzer" -j2

corpus="$build/corpus-$fuzzer"
mkdir -p "$corpus"
cd "$build"
"./fuzzers/$fuzzer" "$corpus" "$root/xml/fuzz/corpus" \
  -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
  -dict="$root/xml/fuzz/xml.dict" -print_final_stats=1 "$@"
