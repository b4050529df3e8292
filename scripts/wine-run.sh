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
exec "$TW_WINE_BIN" "$@"
