#!/usr/bin/env bash
# Plants faults in the portable code one at a time and runs the native
# suite against each; prints the mutants the suite lets through.
#
#   scripts/mutation-check.sh [--edges] [--since REV] [-n N] [--seed S] [--only LOG] [--sanitize] [FILE...]
#
# FILEs default to the portable sources changed since REV, or, without
# --since, to all of them. N mutants that build are drawn (default 50);
# one that does not build is reported and not counted; a hang counts as
# killed. --edges plants only the faults at a rule's edge (see plant.py).
# Mutants listed in tools/mutation/accepted.txt (judged equivalent or
# harmless) are skipped. The tree is build/mutation (-O0), rebuilt
# incrementally, without the sanitizers unless --sanitize (slower; it also
# kills the faults only they see: a leak, a misaligned object). Each mutant
# runs only the cases that ran its line in a coverage build
# (build/mutation-coverage), fastest first, stopping at the first failure.
# --only tries again just the survivors an earlier run with the same files
# and seed wrote to LOG: new tests only add kills, so LOG's score and its
# make the new one. Every outcome goes to $tree/outcomes.tsv. Every file is
# restored however the script ends.
set -euo pipefail
cd "$(dirname "$0")/.."

since= count=50 seed=1 only=() sanitize=OFF files=() edges=()
while (($#)); do
  case $1 in
    --edges) edges=(--edges); shift ;;
    --since) since=$2; shift 2 ;;
    -n) count=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --only) only=(--only "$2"); shift 2 ;;
    --sanitize) sanitize=ON; shift ;;
    -h|--help) sed -n '2,21p' "$0"; exit 0 ;;
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
cov=build/mutation-coverage
configure() {
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE= "-DCMAKE_CXX_FLAGS=-O0 $2" \
    -DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DTW_SANITIZE="$3" >/dev/null
}
configure $tree "" $sanitize
configure $cov --coverage OFF
fuzzers=(xml_parser_fuzzer answer_fuzzer)
# A file feeds a fuzzer when a source of its folder is one of its inputs.
declare -A feeds
for z in "${fuzzers[@]}"; do
  feeds[$z]=$(ninja -C $tree -t inputs $z | grep -E '\.cpp$' | sed -E 's|^(\.\./)+||; s|/[^/]*$||' | sort -u | tr '\n' ' ')
done
targets_for() {
  local z dir=${1%/*}
  echo core_tests
  for z in "${fuzzers[@]}"; do [[ " ${feeds[$z]} " == *" $dir "* ]] && echo $z; done
  return 0
}
build() { ninja -C $tree -j 1 $(targets_for "$1") >/dev/null 2>&1; }
replay() {
  local z
  for z in $(targets_for "$1" | grep fuzzer); do
    timeout 60 $tree/fuzzers/$z xml/fuzz/corpus >/dev/null 2>&1 || return 1
  done
}

ninja -C $tree -j 2 core_tests "${fuzzers[@]}" >/dev/null 2>&1 || { echo "the unmutated tree does not build"; exit 1; }
$tree/tests/core_tests --gtest_output=json:$tree/times.json >/dev/null 2>&1 &&
  replay xml/ && replay sync/ || { echo "the unmutated suite fails"; exit 1; }
ninja -C $cov -j 2 core_tests >/dev/null 2>&1 || { echo "the coverage tree does not build"; exit 1; }
# Mapped again only when the code or the tests read differently: a restored
# file is newer but the same.
key=$(git ls-files -z -- common xml sync net clients app tests | xargs -0 cat | sha1sum)
if [[ ! -f $cov/lines.json || $(cat $cov/lines.key 2>/dev/null) != "$key" ]]; then
  echo "mapping which cases run which lines..."
  python3 tools/mutation/coverage.py map $cov $cov/lines.json
  echo "$key" >$cov/lines.key
fi

accepted=()
[[ -f tools/mutation/accepted.txt ]] && accepted=(--accepted tools/mutation/accepted.txt)
: >$tree/outcomes.tsv
killed=0 built=0 tried=0 start=$SECONDS
while IFS=$'\t' read -r file line rule text; do
  ((built < count)) || break
  python3 tools/mutation/plant.py put "$file" "$line" "$text"
  tried=$((tried + 1))
  read -r filter seconds < <(python3 tools/mutation/coverage.py pick $cov/lines.json $tree/times.json "$file" "$line")
  if ! build "$file"; then
    echo "did not build: $file:$line $rule"
    outcome=unbuilt
  else
    built=$((built + 1))
    if [[ $filter != none ]] && ! { timeout $((seconds * 3 + 20)) $tree/tests/core_tests --gtest_fail_fast \
        --gtest_filter="$filter" >/dev/null 2>&1 && replay "$file"; }; then
      killed=$((killed + 1))
      outcome=killed
    else
      echo "survived: $file:$line $rule: $(sed -n "${line}p" "$file" | sed 's/^ *//')"
      outcome=survived
    fi
  fi
  printf '%s\t%s\t%s\t%s\n' "$file" "$line" "$rule" "$outcome" >>$tree/outcomes.tsv
  cp "$saved/$file" "$file"
done < <(python3 tools/mutation/plant.py list --seed "$seed" "${edges[@]}" "${only[@]}" "${accepted[@]}" "${files[@]}")

restore
trap - EXIT
if [[ -n $clean ]] && ! git diff --quiet -- "${files[@]}"; then echo "files not restored" >&2; exit 1; fi
echo "killed $killed of $built ($(( (SECONDS - start) / (tried ? tried : 1) )) s a mutant)"
