#!/usr/bin/env bash
# Whole-run benchmark: one "/sync" of a generated address book from the
# loopback sample server into a simulated Foxmail 7, against a baseline
# that fetches the same answer with curl into a file and then writes as
# many bytes as the run writes into Foxmail 7's folder (one 256 KiB-block
# stream, on the same file system); and a "/sync" of an empty address book,
# the program's fixed start-up cost under Wine. The three alternate round
# by round, so that they share the machine's load alike; medians.
# Wall time is read from bash's microsecond clock around each command,
# peak memory from /usr/bin/time.
#   bash scripts/bench-run.sh [PEOPLE=200000] [RUNS=5]
set -euo pipefail
people="${1:-200000}"
runs="${2:-5}"
source "$(dirname "$0")/bench-lib.sh" bench-run

# The same bytes as curl fetches: compression is measured by bench-compression.sh.
start_demo_server "$bench/big.port" --generate "$people" --no-compression
pids+=("$demo_server_pid")
start_demo_server "$bench/empty.port" --mode empty
pids+=("$demo_server_pid")
big_port="$(cat "$bench/big.port")"
empty_port="$(cat "$bench/empty.port")"


url="http://127.0.0.1:$big_port/mail/addresssync.asp?accnt=demo@tarnwell-demo.example&pwd=demo123&onlydepart=0"
curl -s -o "$bench/answer.xml" "$url"
answer_bytes=$(stat -c %s "$bench/answer.xml")

sync_run() {  # port
  write_ini "$1"
  (cd "$app" && measure "$TW_WINE" ./Tarnwell地址簿同步.exe /sync)
}
# One warm-up of each; the full one also tells how many bytes a run writes
# into the Foxmail 7 folder.
sync_run "$empty_port" >/dev/null
sync_run "$big_port" >/dev/null
written_bytes=$(find "$fox/Data/Address/2.5" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
baseline() {
  curl -s -o "$bench/fetched.xml" "$url" &&
    dd if=/dev/zero of="$bench/written.bin" bs=256K count="$written_bytes" iflag=count_bytes status=none
}

: >"$bench/empty.txt"; : >"$bench/full.txt"; : >"$bench/baseline.txt"
for _ in $(seq 1 "$runs"); do
  sync_run "$empty_port" >>"$bench/empty.txt"
  sync_run "$big_port" >>"$bench/full.txt"
  t0=$EPOCHREALTIME
  baseline
  t1=$EPOCHREALTIME
  echo "$t0 $t1" | awk '{ printf "%.6f 0\n", $2 - $1 }' >>"$bench/baseline.txt"
done
summary() { echo "$(cut -d' ' -f1 "$bench/$1.txt" | median) $(cut -d' ' -f2 "$bench/$1.txt" | median)"; }
tail -n 1 "$app/syncaddrs.log" | iconv -f GBK -t UTF-8

read -r e_s e_kb <<<"$(summary empty)"
read -r f_s f_kb <<<"$(summary full)"
read -r b_s _ <<<"$(summary baseline)"
# Each round's own ratio, so that load changing between rounds cancels.
ratio=$(paste -d' ' "$bench/empty.txt" "$bench/full.txt" "$bench/baseline.txt" |
  awk '{ print ($3 - $1) / $5 }' | median)
awk -v people="$people" -v bytes="$answer_bytes" -v written="$written_bytes" -v es="$e_s" -v ekb="$e_kb" -v fs="$f_s" -v fkb="$f_kb" -v bs="$b_s" -v ratio="$ratio" -v runs="$runs" -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
  printf "people %d, answer %.1f MB, run writes %.1f MB into Foxmail 7, median of %d rounds (load %s)\n", people, bytes/1e6, written/1e6, runs, load
  printf "empty /sync (fixed cost): %.3f s, peak %.1f MB\n", es, ekb/1024
  printf "full /sync:               %.3f s, peak %.1f MB\n", fs, fkb/1024
  printf "baseline (curl to a file + %.1f MB written): %.3f s\n", written/1e6, bs
  printf "run above fixed cost / baseline: %.2fx, median of the rounds\047 ratios (target 1.5x)\n", ratio
  printf "peak memory / answer size: %.2fx (target 4x)\n", fkb*1024/bytes
}'
