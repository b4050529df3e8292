# Runs Windows test executables under Wine, in a prefix of the build tree.
set(TW_WINE /usr/lib/wine/wine64)
set(TW_WINESERVER /usr/lib/wine/wineserver)
set(TW_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(TW_XVFB_DISPLAY ":87" CACHE STRING "Display that the tests' Xvfb serves")

set(TW_WINE_ENV
  WINEPREFIX=${TW_WINEPREFIX}
  WINEARCH=win64
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml=
  DISPLAY=${TW_XVFB_DISPLAY}
  LOCPATH=${CMAKE_BINARY_DIR}/locale
  XDG_DATA_HOME=${CMAKE_BINARY_DIR}/xdg-data
  LANG=zh_CN.UTF-8)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env ${TW_WINE_ENV} ${TW_WINE})

# The session script is the one place that starts and stops Wine's helpers.
set(TW_WINE_SESSION ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh)
add_test(NAME wine_session_start COMMAND /usr/bin/env ${TW_WINE_ENV}
  TW_WINE_KEEPALIVE=${CMAKE_BINARY_DIR}/tests/wine_keepalive.exe bash ${TW_WINE_SESSION} start)
add_test(NAME wine_session_stop COMMAND /usr/bin/env ${TW_WINE_ENV} bash ${TW_WINE_SESSION} stop)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)
