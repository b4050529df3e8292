#!/usr/bin/env bash
# Our own time per contact in the Outlook and Outlook Express writers:
# builds the writer benchmark of the Windows configuration and runs it
# under Wine against the two fakes (5,000 contacts each), then compares the
# two Outlook writers against the fake Outlook in its own process (a local
# server started by COM, as a real Outlook answers), into the default
# contacts folder and again into a folder of their own. Uses the build's
# test prefix, so do not run it while that build's tests run. A first
# argument replaces the 5,000 contacts, a second the 3 runs of which each
# out-of-process figure is the median.
#   TW_BUILD_DIR  the Windows build directory (default build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${TW_BUILD_DIR:-}" ]; then
  export TW_BUILD_DIR="$PWD/build/windows"
  cmake --preset windows >/dev/null
fi
export TW_BUILD_DIR="$(cd "$TW_BUILD_DIR" && pwd)"  # Wine wants absolute paths
cmake --build "$TW_BUILD_DIR" --target writer_bench >/dev/null

source scripts/wine-env.sh
trap 'bash scripts/wine-session.sh stop' EXIT
bash scripts/wine-session.sh start

windows_path() { echo "Z:$(echo "$1" | tr / '\\')"; }
doubles="$TW_BUILD_DIR/tests/doubles"
"$TW_WINE" "$doubles/writer_bench.exe" \
  "$(windows_path "$doubles/fake_wab.dll")" \
  "$(windows_path "$doubles/fake_outlook.dll")" \
  "$(windows_path "$doubles/fake_outlook_server.exe")" "$@" </dev/null
