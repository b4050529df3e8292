#!/usr/bin/env bash
# Compressed download: one "/sync" of a generated address book from the
# loopback sample server into a simulated Foxmail 7, median of several
# runs, compressed (the server gzips, as the program asks) and not (a
# server that ignores Accept-Encoding), with the bytes each sent; and a
# "/sync" of an empty address book, the program's fixed start-up cost under
# Wine. (The whole run against its fair baseline: scripts/bench-run.sh.)
#   bash scripts/bench-compression.sh [PEOPLE=200000] [RUNS=5]
set -euo pipefail
people="${1:-200000}"
runs="${2:-5}"
source "$(dirname "$0")/bench-lib.sh" bench-compression

start_demo_server "$bench/big.port" --generate "$people" --stats-file "$bench/big.stats"
big_pid="$demo_server_pid"
pids+=("$demo_server_pid")
start_demo_server "$bench/plain.port" --generate "$people" --no-compression \
  --stats-file "$bench/plain.stats"
plain_pid="$demo_server_pid"
pids+=("$demo_server_pid")
start_demo_server "$bench/empty.port" --mode empty
pids+=("$demo_server_pid")
big_port="$(cat "$bench/big.port")"
plain_port="$(cat "$bench/plain.port")"
empty_port="$(cat "$bench/empty.port")"


url="http://127.0.0.1:$plain_port/mail/addresssync.asp?accnt=demo@tarnwell-demo.example&pwd=demo123&onlydepart=0"
curl -s -o "$bench/answer.xml" "$url"
answer_bytes=$(stat -c %s "$bench/answer.xml")

run_series() {  # label, command...
  local label="$1"; shift
  : >"$bench/$label.txt"
  for _ in $(seq 1 "$runs"); do measure "$@" >>"$bench/$label.txt"; done
  echo "$label $(cut -d' ' -f1 "$bench/$label.txt" | median) $(cut -d' ' -f2 "$bench/$label.txt" | median)"
}

write_ini "$empty_port"
(cd "$app" && "$TW_WINE" ./Tarnwell地址簿同步.exe /sync >/dev/null 2>&1 </dev/null) || true  # warm
empty=$(cd "$app" && run_series empty "$TW_WINE" ./Tarnwell地址簿同步.exe /sync)
write_ini "$big_port"
full=$(cd "$app" && run_series full "$TW_WINE" ./Tarnwell地址簿同步.exe /sync)
write_ini "$plain_port"
plain=$(cd "$app" && run_series plain "$TW_WINE" ./Tarnwell地址簿同步.exe /sync)
tail -n 1 "$app/syncaddrs.log" | iconv -f GBK -t UTF-8

# The servers write what they sent when they stop.
kill "$big_pid" "$plain_pid"
wait "$big_pid" "$plain_pid" || true
per_request() {
  python3 -c 'import json, sys; s = json.load(open(sys.argv[1])); print(s["bytes_sent"] // s["requests"])' "$1"
}
gzip_wire=$(per_request "$bench/big.stats")
plain_wire=$(per_request "$bench/plain.stats")

read -r _ e_s e_kb <<<"$empty"
read -r _ f_s f_kb <<<"$full"
read -r _ p_s p_kb <<<"$plain"
awk -v people="$people" -v bytes="$answer_bytes" -v es="$e_s" -v ekb="$e_kb" -v fs="$f_s" -v fkb="$f_kb" -v runs="$runs" \
    -v ps="$p_s" -v pkb="$p_kb" -v gw="$gzip_wire" -v pw="$plain_wire" 'BEGIN {
  printf "people %d, answer %.1f MB, median of %d runs\n", people, bytes/1e6, runs
  printf "empty /sync (fixed cost): %.3f s, peak %.0f MB\n", es, ekb/1024
  printf "full /sync, gzip: %.3f s, peak %.0f MB, %d bytes on the wire\n", fs, fkb/1024, gw
  printf "full /sync, uncompressed: %.3f s, peak %.0f MB, %d bytes on the wire\n", ps, pkb/1024, pw
  printf "bytes on the wire, gzip / uncompressed: %.3f (target at most 0.2)\n", gw/pw
}'
