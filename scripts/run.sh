#!/usr/bin/env bash
# Builds the Windows program and runs its main job once under Wine: one
# sync ("/sync") with the AddrBookSync.ini beside the program, then shows
# the log line it left.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

bash scripts/install-deps.sh >&2
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarnwell_app >/dev/null

source scripts/wine-env.sh
trap 'bash "$root/scripts/wine-session.sh" stop' EXIT
bash scripts/wine-session.sh start

app_dir="$TW_BUILD_DIR/app"
echo "settings: $app_dir/AddrBookSync.ini" >&2
set +e
(cd "$app_dir" && "$TW_WINE" "./Tarnwell地址簿同步.exe" /sync)
status=$?
set -e
echo "exit status: $status" >&2
echo "log: $(tail -n 1 "$app_dir/syncaddrs.log" | iconv -f GBK -t UTF-8)" >&2
exit $status
