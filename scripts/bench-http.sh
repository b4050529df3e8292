#!/usr/bin/env bash
# Times the download of one large body from a loopback server: the run's
# fetcher (HttpAnswerFetcher over CHttpClient) under Wine, which keeps the
# body in memory, against curl on the host keeping it in a file on tmpfs,
# and our reads as they are (blocks that grow while the bytes flow) against
# whole blocks only and what has arrived only. Each round runs all four,
# in an order that turns round by round; medians of each, the ratios (also
# the median of each round's own), and our peak memory.
#
# Usage: scripts/bench-http.sh [windows-build-dir]
#   RUNS=5 SIZE_MB=100 to change the defaults.
# The build dir's Wine session is started and stopped here: do not run it
# while the same build dir's tests are running.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$repo/build/windows}" && pwd)"
runs="${RUNS:-5}"
size_mb="${SIZE_MB:-100}"

cmake --build "$build" --target http_fetch_bench -j2 >/dev/null
bench_exe="$build/net/http_fetch_bench.exe"

export TW_BUILD_DIR="$build"
# shellcheck source=wine-env.sh
source "$repo/scripts/wine-env.sh"

work="$(mktemp -d)"
# curl keeps the body where ours does, in memory.
kept_dir="$work"
[ -d /dev/shm ] && kept_dir="$(mktemp -d /dev/shm/tw-bench-http.XXXXXX)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  bash "$repo/scripts/wine-session.sh" stop >/dev/null 2>&1 || true
  rm -rf "$work" "$kept_dir"
}
trap cleanup EXIT

bash "$repo/scripts/wine-session.sh" start >/dev/null 2>&1

python3 "$repo/tools/bench/http_body_server.py" "$size_mb" >"$work/port" 2>/dev/null &
server_pid=$!
for _ in $(seq 1 100); do
  [ -s "$work/port" ] && break
  sleep 0.1
done
[ -s "$work/port" ] || { echo "the body server did not start" >&2; exit 1; }
port="$(head -n1 "$work/port")"
url="http://127.0.0.1:$port/mail/addresssync.asp?accnt=bench&pwd=bench&onlydepart=0"

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

ways=(adaptive blocks arrived)
# One warm-up of each, so that none pays for cold caches.
curl -s -o "$kept_dir/body" "$url"
for way in "${ways[@]}"; do "$TW_WINE" "$bench_exe" "$url" "$way" </dev/null >/dev/null 2>&1 || true; done

: >"$work/curl"
for way in "${ways[@]}"; do : >"$work/$way"; done
run_curl() {
  rm -f "$kept_dir/body"
  curl -s -o "$kept_dir/body" -w '%{time_total}\n' "$url" >>"$work/curl"
}
run_ours() { "$TW_WINE" "$bench_exe" "$url" "$1" </dev/null 2>/dev/null >>"$work/$1"; }
for round in $(seq 1 "$runs"); do
  order=(curl "${ways[@]}")
  shift_by=$((round % ${#order[@]}))
  order=("${order[@]:shift_by}" "${order[@]:0:shift_by}")
  for what in "${order[@]}"; do
    if [ "$what" = curl ]; then run_curl; else run_ours "$what"; fi
  done
done

for way in "${ways[@]}"; do
  if grep -q 'ok=0' "$work/$way"; then
    echo "a download with our client ($way) failed:" >&2
    cat "$work/$way" >&2
    exit 1
  fi
  field seconds <"$work/$way" >"$work/$way.s"
done

body_bytes=$((size_mb * 1000 * 1000))
curl_s="$(median <"$work/curl")"
adaptive_s="$(median <"$work/adaptive.s")"
blocks_s="$(median <"$work/blocks.s")"
arrived_s="$(median <"$work/arrived.s")"
round_ratio() { paste "$work/$1.s" "$work/$2.s" | awk '{ print $1 / $2 }' | median; }
peak="$(field peak_working_set <"$work/adaptive" | sort -g | tail -n1)"
base="$(field base_working_set <"$work/adaptive" | median)"

awk -v load="$(cut -d' ' -f1-3 /proc/loadavg)" -v c="$curl_s" -v o="$adaptive_s" -v w="$blocks_s" \
    -v a="$arrived_s" -v ow="$(round_ratio adaptive blocks)" -v aw="$(round_ratio arrived blocks)" \
    -v p="$peak" -v b="$base" -v n="$body_bytes" -v r="$runs" 'BEGIN {
  printf "body: %.0f MB, %d rounds, the order turning (load %s)\n", n / 1e6, r, load
  printf "curl (host), body kept in a file on tmpfs:     median %.3f s\n", c
  printf "HttpAnswerFetcher (Wine), body kept, as built: median %.3f s\n", o
  printf "  the same reading whole blocks only:          median %.3f s\n", w
  printf "  the same reading what has arrived only:      median %.3f s\n", a
  printf "as built / whole blocks:       %.2f (rounds: %.2f)\n", o / w, ow
  printf "what has arrived / whole blocks: %.2f (rounds: %.2f)\n", a / w, aw
  printf "ratio as built / curl:         %.2f (target <= 1.5)\n", o / c
  printf "peak working set:   %.0f MB (%.2fx the body, target <= 1.5; %.0f MB before the fetch, %.2fx above that)\n",
         p / 1e6, p / n, b / 1e6, (p - b) / n
}'
