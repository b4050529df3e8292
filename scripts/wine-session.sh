#!/usr/bin/env bash
# Starts (or stops) what the Windows tests need: a Chinese glibc locale so
# Wine picks code page 936, a virtual display, a persistent wineserver and
# an initialised prefix. Expects the WINE*/DISPLAY/LOCPATH variables that
# cmake/WineTesting.cmake passes.
set -euo pipefail

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
: "${WINEPREFIX:?}" "${DISPLAY:?}" "${LOCPATH:?}"
state_dir="$(dirname "$WINEPREFIX")/wine-session"
mkdir -p "$state_dir"

start_xvfb() {
  local num="${DISPLAY#:}"
  if [ -e "/tmp/.X11-unix/X$num" ] && display_alive "$num"; then return 0; fi
  rm -f "/tmp/.X$num-lock" "/tmp/.X11-unix/X$num"
  setsid Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  echo $! >"$state_dir/xvfb.pid"
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$num" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not come up on $DISPLAY" >&2
  return 1
}

# A display whose server still runs is shared, whoever started it.
display_alive() {
  local lock="/tmp/.X$1-lock"
  [ -f "$lock" ] && kill -0 "$(tr -d ' ' <"$lock")" 2>/dev/null
}

build_locale() {
  if [ ! -d "$LOCPATH/zh_CN.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i zh_CN -f UTF-8 "$LOCPATH/zh_CN.UTF-8" 2>/dev/null || true
  fi
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
  fi
  # Wine's service processes start with the first program and live as long
  # as the server; started here they hold no test's output pipe open.
  "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true
  # The desktop process quits when its last window goes; one hidden window
  # keeps it (and its output) out of every test's way.
  if [ -n "${TW_WINE_KEEPALIVE:-}" ] && [ -f "$TW_WINE_KEEPALIVE" ]; then
    setsid "$WINE" "$TW_WINE_KEEPALIVE" </dev/null >/dev/null 2>&1 &
    for _ in $(seq 1 100); do
      pgrep -f 'explorer.exe' >/dev/null && break
      sleep 0.1
    done
  fi
}

stop() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  if [ -f "$state_dir/xvfb.pid" ]; then
    kill "$(cat "$state_dir/xvfb.pid")" 2>/dev/null || true
    rm -f "$state_dir/xvfb.pid"
  fi
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
