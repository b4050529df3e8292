#!/usr/bin/env bash
# Plants faults in the portable code one at a time and runs the native
# suite against each; prints the mutants the suite lets through.
#
#   scripts/mutation-check.sh [--since REV] [-n N] [--seed S] [--only LOG] [--sanitize] [FILE...]
#
# FILEs default to the portable sources changed since REV, or, without
# --since, to all of them. N mutants that build are drawn (default 50);
# one that does not build is reported and not counted; a hang counts as
# killed. The tree is build/mutation (-O0), rebuilt incrementally, without
# the sanitizers unless --sanitize (slower; it also kills the faults only
# they see: a leak, a misaligned object). --only tries again just the
# survivors an earlier run with the same files and seed wrote to LOG: new
# tests only add kills, so LOG's score and its make the new one. Every file
# is restored however the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."

since= count=50 seed=1 only=() sanitize=OFF files=()
while (($#)); do
  case $1 in
    --since) since=$2; shift 2 ;;
    -n) count=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --only) only=(--only "$2"); shift 2 ;;
    --sanitize) sanitize=ON; shift ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    *) files+=("$1"); shift ;;
  esac
done

portable() { grep -E '^(common|xml|sync|net|clients|app)/.*\.(cpp|h)$' | grep -Ev '_win\.|/win/|/fuzz/' || true; }
if ((${#files[@]} == 0)); then
  if [[ -n $since ]]; then
    mapfile -t files < <(git diff --name-only --diff-filter=AM "$since" -- | portable)
  else
    mapfile -t files < <(git ls-files | portable)
  fi
fi
if ((${#files[@]} == 0)); then echo "no portable files to mutate"; exit 0; fi

saved=$(mktemp -d)
restore() {
  for f in "${files[@]}"; do
    cmp -s "$saved/$f" "$f" || cp "$saved/$f" "$f"
  done
  rm -rf "$saved"
}
trap restore EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
for f in "${files[@]}"; do mkdir -p "$saved/$(dirname "$f")"; cp "$f" "$saved/$f"; done
clean=yes; git diff --quiet -- "${files[@]}" || clean=

tree=build/mutation$([[ $sanitize == ON ]] && echo -sanitize || true)
targets=(core_tests xml_parser_fuzzer answer_fuzzer)
cmake -S . -B $tree -G "Unix Makefiles" -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS=-O0 -DTW_SANITIZE=$sanitize >/dev/null
build() { cmake --build $tree --target "${targets[@]}" -j 2 >/dev/null 2>&1; }
# The cases run side by side, the first failure ending the run: most of
# the suite's time is a few cases waiting on their deadlines.
suite() {
  $tree/tests/core_tests --gtest_list_tests | awk '/^[^ ]/ { s = $1 } /^  / { print s $1 }' |
    xargs -P 6 -I{} sh -c "timeout 60 $tree/tests/core_tests --gtest_filter='{}' >/dev/null 2>&1 || exit 255" 2>/dev/null &&
    timeout 60 $tree/fuzzers/xml_parser_fuzzer xml/fuzz/corpus >/dev/null 2>&1 &&
    timeout 60 $tree/fuzzers/answer_fuzzer xml/fuzz/corpus >/dev/null 2>&1
}
build || { echo "the unmutated tree does not build"; exit 1; }
suite || { echo "the unmutated suite fails"; exit 1; }

killed=0 built=0
while IFS=$'\t' read -r file line rule text; do
  ((built < count)) || break
  python3 tools/mutation/plant.py put "$file" "$line" "$text"
  if ! build; then
    echo "did not build: $file:$line $rule"
  else
    built=$((built + 1))
    if suite; then
      echo "survived: $file:$line $rule: $(sed -n "${line}p" "$file" | sed 's/^ *//')"
    else
      killed=$((killed + 1))
    fi
  fi
  cp "$saved/$file" "$file"
done < <(python3 tools/mutation/plant.py list --seed "$seed" "${only[@]}" "${files[@]}")

restore
trap - EXIT
if [[ -n $clean ]] && ! git diff --quiet -- "${files[@]}"; then echo "files not restored" >&2; exit 1; fi
echo "killed $killed of $built"
