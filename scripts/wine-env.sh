# Sourced: the environment under which the program runs in Wine, with the
# prefix of the Windows build tree (the same one the tests use).
TW_BUILD_DIR="${TW_BUILD_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/windows}"
export WINEPREFIX="$TW_BUILD_DIR/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export DISPLAY="${TW_DISPLAY:-:87}"
export LOCPATH="$TW_BUILD_DIR/locale"
export XDG_DATA_HOME="$TW_BUILD_DIR/xdg-data"
export LANG=zh_CN.UTF-8
TW_WINE=/usr/lib/wine/wine64
