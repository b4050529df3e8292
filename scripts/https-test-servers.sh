#!/usr/bin/env bash
# Starts (or stops) the HTTPS address-book servers of the Windows HTTPS
# tests, in DIR (a folder of the build tree):
#   DIR/ca/                        a fresh test authority and its certificates
#   DIR/trusted.port, trusted.log  server whose certificate names 127.0.0.1
#                                  and localhost
#   DIR/mismatch.port, mismatch.log server whose certificate names another host
# Usage: https-test-servers.sh start|stop DIR
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
server="$root/tools/demo_server/addressbook_server.py"

start_server() {
  local name=$1 cert=$2
  rm -f "$dir/$name.port"
  setsid python3 "$server" --port 0 --port-file "$dir/$name.port" \
    --tls-cert "$dir/ca/$cert.pem" --tls-key "$dir/ca/$cert.key" \
    </dev/null >/dev/null 2>"$dir/$name.log" &
  echo $! >"$dir/$name.pid"
}

wait_for_port() {
  local name=$1
  for _ in $(seq 1 100); do
    [ -s "$dir/$name.port" ] && return 0
    kill -0 "$(cat "$dir/$name.pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "HTTPS test server '$name' did not start:" >&2
  cat "$dir/$name.log" >&2
  return 1
}

stop_server() {
  local pidfile="$dir/$1.pid"
  [ -f "$pidfile" ] || return 0
  local pid
  pid=$(cat "$pidfile")
  if kill "$pid" 2>/dev/null; then
    for _ in $(seq 1 50); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  rm -f "$pidfile"
}

start() {
  stop
  rm -rf "$dir/ca"
  mkdir -p "$dir"
  bash "$root/tools/demo_server/make_test_ca.sh" "$dir/ca" >/dev/null
  start_server trusted server
  start_server mismatch mismatch
  wait_for_port trusted
  wait_for_port mismatch
}

stop() {
  stop_server trusted
  stop_server mismatch
}

if [ $# -ne 2 ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi
dir=$2
case "$1" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
