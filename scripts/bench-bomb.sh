#!/usr/bin/env bash
# Answers no honest server sends: small gzip answers that inflate past what
# a run keeps (256 MiB of text), one that stays just below it, one of
# tiny persons near it (more than a run keeps), and a million persons near it. One
# "/sync" each into a simulated Foxmail 7 that holds the sample book; for
# each: the result, the exit code, the peak resident memory of the Wine
# process (/usr/bin/time), the size of address.xml, and whether Foxmail 7's
# address folder changed.
#   bash scripts/bench-bomb.sh
set -euo pipefail
source "$(dirname "$0")/bench-lib.sh" bench-bomb

# The folder first gets the sample book, so that an untouched one shows.
start_demo_server "$bench/sample.port"
pids+=("$demo_server_pid")
write_ini "$(cat "$bench/sample.port")"
(cd "$app" && "$TW_WINE" ./Tarnwell地址簿同步.exe /sync >/dev/null 2>&1 </dev/null) || true
folder_sum() { find "$fox/Data/Address" -type f -exec md5sum {} + | sort | md5sum | cut -c1-12; }

for spec in "malformed 600" "blanks 1024" "padded 250" "persons 250" "million 240"; do
  read -r kind mib <<<"$spec"
  rm -f "$bench/bomb.port" "$app/address.xml"
  python3 tools/bench/gzip_bomb_server.py "$kind" "$mib" >"$bench/bomb.port" &
  bomb_pid=$!
  pids+=("$bomb_pid")
  for _ in $(seq 1 100); do [ -s "$bench/bomb.port" ] && break; sleep 0.1; done
  write_ini "$(head -n1 "$bench/bomb.port")"
  before=$(folder_sum)
  set +e
  (cd "$app" && /usr/bin/time -f '%M' -o "$bench/rss.txt" "$TW_WINE" ./Tarnwell地址簿同步.exe /sync \
    >"$bench/out.txt" 2>/dev/null </dev/null)
  code=$?
  set -e
  kill "$bomb_pid" 2>/dev/null || true
  wait "$bomb_pid" 2>/dev/null || true
  copy=$(stat -c %s "$app/address.xml" 2>/dev/null || echo none)
  changed=$([ "$(folder_sum)" = "$before" ] && echo no || echo yes)
  printf '%s %d MiB: exit %d, peak %d MiB (%.2fx the limit), address.xml %s bytes, Foxmail 7 changed: %s\n  %s\n' \
    "$kind" "$mib" "$code" $(( $(tail -n1 "$bench/rss.txt") / 1024 )) \
    "$(awk -v k="$(tail -n1 "$bench/rss.txt")" 'BEGIN { print k / 1024 / 256 }')" \
    "$copy" "$changed" "$(tr -d '\r' <"$bench/out.txt")"
done
