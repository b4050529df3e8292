# Runs Windows test executables under Wine, in a prefix of the build tree,
# on the display that the session fixture picks (scripts/wine-run.sh).
find_program(TW_WINE_BIN NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TW_WINE_BIN NAMES wine64)
if(NOT TW_WINE_BIN)
  message(FATAL_ERROR "wine64 not found: run scripts/install-deps.sh")
endif()
set(TW_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)

set(TW_WINE_ENV
  WINEPREFIX=${TW_WINEPREFIX}
  WINEARCH=win64
  WINEDEBUG=-all
  WINEDLLOVERRIDES=mscoree,mshtml=
  TW_WINE_BIN=${TW_WINE_BIN}
  LOCPATH=${CMAKE_BINARY_DIR}/locale
  XDG_DATA_HOME=${CMAKE_BINARY_DIR}/xdg-data
  LANG=zh_CN.UTF-8)

set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env ${TW_WINE_ENV} ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)

# The session script is the one place that starts and stops Wine's helpers.
set(TW_WINE_SESSION ${PROJECT_SOURCE_DIR}/scripts/wine-session.sh)
add_test(NAME wine_session_start COMMAND /usr/bin/env ${TW_WINE_ENV}
  TW_WINE_KEEPALIVE=${CMAKE_BINARY_DIR}/tests/wine_keepalive.exe bash ${TW_WINE_SESSION} start)
add_test(NAME wine_session_stop COMMAND /usr/bin/env ${TW_WINE_ENV} bash ${TW_WINE_SESSION} stop)
set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine)
