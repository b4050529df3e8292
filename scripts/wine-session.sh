#!/usr/bin/env bash
# Starts (or stops) what the Windows tests need: a Chinese glibc locale so
# Wine picks code page 936, a virtual display, a persistent wineserver and
# an initialised prefix. Expects the WINE*/LOCPATH/TW_WINE_BIN variables that
# cmake/WineTesting.cmake passes (or scripts/wine-env.sh sets).
#
# Everything it starts belongs to this prefix's tree: the display is a free
# one that Xvfb picks and is recorded beside the prefix, and `stop` ends only
# what `start` recorded, so two build trees can run their tests side by side.
set -euo pipefail

: "${WINEPREFIX:?}" "${LOCPATH:?}" "${TW_WINE_BIN:?}"
WINE="$(dirname "${BASH_SOURCE[0]}")/wine-run.sh"
WINESERVER="$(dirname "$TW_WINE_BIN")/wineserver"
state_dir="$(dirname "$WINEPREFIX")/wine-session"
mkdir -p "$state_dir"

ours_alive() { [ -s "$state_dir/$1.pid" ] && kill -0 "$(cat "$state_dir/$1.pid")" 2>/dev/null; }

start_xvfb() {
  if ours_alive xvfb && [ -s "$state_dir/display" ]; then return 0; fi
  rm -f "$state_dir/display" "$state_dir/display.new"
  # -displayfd: Xvfb takes the first free display and writes its number
  # once it accepts connections.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp \
    3>"$state_dir/display.new" </dev/null >/dev/null 2>&1 &
  echo $! >"$state_dir/xvfb.pid"
  for _ in $(seq 1 100); do
    if [ -s "$state_dir/display.new" ] && grep -q '^[0-9]\+$' "$state_dir/display.new"; then
      echo ":$(cat "$state_dir/display.new")" >"$state_dir/display"
      return 0
    fi
    sleep 0.1
  done
  echo "Xvfb did not come up (see $state_dir)" >&2
  return 1
}

build_locale() {
  [ -d "$LOCPATH/zh_CN.UTF-8" ] && return 0
  mkdir -p "$LOCPATH"
  if ! localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8"; then
    rm -rf "$LOCPATH/zh_CN.UTF-8"
    echo "cannot build the zh_CN.UTF-8 locale in $LOCPATH (is the 'locales' package installed?);" \
      "without it Wine runs with code page 1252 and the Chinese texts cannot be tested" >&2
    return 1
  fi
}

# This prefix's desktop process, not any other tree's.
desktop_of_this_prefix() {
  local pid
  for pid in $(pgrep -f 'explorer.exe' || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}

start() {
  build_locale
  start_xvfb
  mkdir -p "$WINEPREFIX" "${XDG_DATA_HOME:-$state_dir/xdg}"
  "$WINESERVER" -k >/dev/null 2>&1 || true
  "$WINESERVER" -w >/dev/null 2>&1 || true
  "$WINESERVER" -p </dev/null >/dev/null 2>&1
  if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.tw-ready" ]; then
    "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    # A crash must fail the test, not open a debugger window that waits forever.
    "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    touch "$WINEPREFIX/.tw-ready"
    # Initialising a prefix leaves two service managers running, and the RPC
    # service that COM's local-server activation needs then never starts
    # ("Service request timeout"): the first activation waits for minutes.
    # A server started afresh on the made prefix runs one, as on a used one.
    "$WINESERVER" -k >/dev/null 2>&1 || true
    "$WINESERVER" -w >/dev/null 2>&1 || true
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
  fi
  # Wine's service processes start with the first program and live as long
  # as the server; started here they hold no test's output pipe open.
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  # The desktop process quits when its last window goes; one hidden window
  # keeps it (and its output) out of every test's way.
  if [ -n "${TW_WINE_KEEPALIVE:-}" ] && [ -f "$TW_WINE_KEEPALIVE" ]; then
    setsid "$WINE" "$TW_WINE_KEEPALIVE" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 1 100); do
      desktop_of_this_prefix && break
      sleep 0.1
    done
  fi
}

stop() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if ours_alive xvfb; then kill "$(cat "$state_dir/xvfb.pid")" 2>/dev/null || true; fi
  rm -f "$state_dir/xvfb.pid" "$state_dir/display" "$state_dir/display.new"
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
