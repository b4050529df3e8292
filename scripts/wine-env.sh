# Sourced: the environment under which the program runs in Wine, with the
# prefix of the Windows build tree (the same one the tests use). The Wine
# binary is the one the build's configuration found; "$TW_WINE" runs a
# program on the display that scripts/wine-session.sh start picked.
TW_BUILD_DIR="${TW_BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/windows}"
TW_WINE_BIN="$(sed -n 's/^TW_WINE_BIN:FILEPATH=//p' "$TW_BUILD_DIR/CMakeCache.txt" 2>/dev/null || true)"
if [ -z "$TW_WINE_BIN" ]; then
  echo "no Wine recorded in $TW_BUILD_DIR: configure it first (cmake --preset windows)" >&2
  return 1
fi
export TW_WINE_BIN
export WINEPREFIX="$TW_BUILD_DIR/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LOCPATH="$TW_BUILD_DIR/locale"
export XDG_DATA_HOME="$TW_BUILD_DIR/xdg-data"
export LANG=zh_CN.UTF-8
TW_WINE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine-run.sh"
