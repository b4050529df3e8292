#!/usr/bin/env bash
# The program's main job, out of the box: builds the Windows program, starts
# the sample address-book server on loopback, prepares a Wine prefix with a
# simulated Foxmail 7 installation, writes AddrBookSync.ini for it, runs one
# sync ("/sync"), and shows the log line and the contacts now in Foxmail 7's
# address folder. With --gui (or a display), it then starts the tray
# program itself so a person can try the dialog and "手工同步".
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

gui=0
[ "${1:-}" = "--gui" ] && gui=1

bash scripts/install-deps.sh >&2
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarnwell_app foxmail7_read fm7_version_7_2_5_140 wine_keepalive >/dev/null

# The demo has a prefix of its own: the tests' prefix must not see Foxmail.
source scripts/wine-env.sh
TW_SOURCE_ROOT="$root"
source scripts/demo-lib.sh
demo="$TW_BUILD_DIR/demo"
use_own_prefix "$demo"
if [ "$gui" = 1 ] && [ -n "${TW_REAL_DISPLAY:-}" ]; then export DISPLAY="$TW_REAL_DISPLAY"; fi

demo_server_pid=""
cleanup() {
  [ -n "$demo_server_pid" ] && kill "$demo_server_pid" 2>/dev/null && wait "$demo_server_pid" 2>/dev/null
  [ "$gui" = 1 ] || bash "$root/scripts/wine-session.sh" stop
}
trap cleanup EXIT

echo "== starting the sample address-book server" >&2
start_demo_server "$demo/port"
port="$(cat "$demo/port")"
echo "   http://127.0.0.1:$port/mail/addresssync.asp" >&2

echo "== preparing the Wine prefix with Foxmail 7" >&2
prepare_program_and_foxmail7 "$demo"
app_dir="$demo/app"
foxmail_dir="$demo/Foxmail7"

# The demo account's password is demo123 (Base64: ZGVtbzEyMw==).
printf '[General]\r\nEmailClient=5\r\nSyncLevel=0\r\nSyncType=0\r\nSyncTime=540\r\n[Server]\r\nServerHost=127.0.0.1\r\nServerVirtual=mail\r\nServerPort=%s\r\nAccount=demo@tarnwell-demo.example\r\nPassword=ZGVtbzEyMw==\r\nSavePassword=1\r\nServerScheme=http\r\n' \
  "$port" >"$app_dir/AddrBookSync.ini"

echo "== one sync: Tarnwell地址簿同步.exe /sync" >&2
set +e
(cd "$app_dir" && "$TW_WINE" "./Tarnwell地址簿同步.exe" /sync </dev/null)
status=$?
set -e
echo "   exit status: $status" >&2
echo "== log line" >&2
tail -n 1 "$app_dir/syncaddrs.log" | iconv -f GBK -t UTF-8 >&2
echo "== contacts now in Foxmail 7 ($foxmail_dir/Data/Address/2.5/400)" >&2
win_folder="Z:$(echo "$foxmail_dir/Data/Address/2.5/400" | tr / '\\')"
"$TW_WINE" "$TW_BUILD_DIR/tools/foxmail7_read.exe" "$win_folder" </dev/null | head -n 12 || true
echo "   ..." >&2

if [ "$gui" = 1 ]; then
  echo "== starting the tray program (display $DISPLAY); stop the server with Ctrl-C" >&2
  (cd "$app_dir" && "$TW_WINE" "./Tarnwell地址簿同步.exe" </dev/null >/dev/null 2>&1 &)
  wait "$demo_server_pid"
fi
exit $status
