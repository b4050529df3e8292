# Sourced by the whole-run benchmarks as `source scripts/bench-lib.sh NAME`:
# moves to the checkout ($root), builds what a "/sync" into a simulated Foxmail 7 needs, gives the
# benchmark a Wine prefix of its own under $bench, and on exit stops the
# servers listed in $pids and the Wine session it started. The program runs
# from $app into a simulated Foxmail 7 in $fox; `write_ini PORT` points it at
# a server, `measure CMD...` times a command to the microsecond.
bench_name="$1"
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$PWD"
bash scripts/install-deps.sh >&2
for p in curl time; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarnwell_app fm7_version_7_2_5_140 wine_keepalive >/dev/null

source scripts/wine-env.sh
TW_SOURCE_ROOT="$root"
source scripts/demo-lib.sh
bench="$TW_BUILD_DIR/$bench_name"
use_own_prefix "$bench"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  bash "$root/scripts/wine-session.sh" stop
}
trap cleanup EXIT

prepare_program_and_foxmail7 "$bench"
app="$bench/app"
fox="$bench/Foxmail7"

write_ini() {
  printf '[General]\r\nEmailClient=5\r\n[Server]\r\nServerHost=127.0.0.1\r\nServerVirtual=mail\r\nServerPort=%s\r\nAccount=demo@tarnwell-demo.example\r\nPassword=ZGVtbzEyMw==\r\nSavePassword=1\r\n' \
    "$1" >"$app/AddrBookSync.ini"
}

# Prints "seconds max_rss_kb" of one command.
measure() {
  local t0 t1
  t0=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o "$bench/rss.txt" "$@" >/dev/null 2>&1 </dev/null || true
  t1=$EPOCHREALTIME
  echo "$t0 $t1 $(tail -n 1 "$bench/rss.txt")" | awk '{ printf "%.6f %d\n", $2 - $1, $3 }'
}
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }
