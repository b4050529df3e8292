#!/usr/bin/env bash
# Runs a Windows program under this tree's Wine session: on the display that
# the session picked (scripts/wine-session.sh), with the Wine that CMake
# found. The tests' emulator and the scripts' "$TW_WINE" both come here.
: "${WINEPREFIX:?}" "${TW_WINE_BIN:?}"
record="$(dirname "$WINEPREFIX")/wine-session/display"
if [ -n "${TW_REAL_DISPLAY:-}" ]; then
  export DISPLAY="$TW_REAL_DISPLAY"
elif [ -s "$record" ]; then
  export DISPLAY="$(cat "$record")"
fi
# CTest lists each test program's cases before the session's fixture has
# started a lasting wineserver, so every listing gets a server of its own
# that ends a few seconds after it; a listing that starts as that server
# ends can fail without a word, and CTest then fails the whole run. Listing
# changes nothing: wait for the old server to go and list again.
for arg in "$@"; do
  if [ "$arg" = --gtest_list_tests ]; then
    for _ in 1 2 3; do
      if list="$("$TW_WINE_BIN" "$@")"; then
        printf '%s\n' "$list"
        exit 0
      fi
      timeout 30 "$(dirname "$TW_WINE_BIN")/wineserver" -w || true
    done
    printf '%s\n' "$list"
    exit 1
  fi
  # A test program prints its filter before anything runs: one that fails
  # having printed nothing never reached its main (a start that met Wine's
  # processes starting or ending; seen once, in a core case). Its
  # case has not run; run it again once.
  if [ "${arg#--gtest_filter=}" != "$arg" ]; then
    out="$(mktemp)"
    "$TW_WINE_BIN" "$@" >"$out" 2>&1
    code=$?
    if [ "$code" -ne 0 ] && [ ! -s "$out" ]; then
      "$TW_WINE_BIN" "$@" >"$out" 2>&1
      code=$?
    fi
    cat "$out"
    rm -f "$out"
    exit "$code"
  fi
done
exec "$TW_WINE_BIN" "$@"
