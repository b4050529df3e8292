#!/usr/bin/env bash
# Takes screenshots of the configuration dialog and the tray menu under
# Xvfb and writes them to docs/images/. Needs the Windows build.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

bash scripts/install-deps.sh >&2
for p in imagemagick x11-apps x11-utils; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick x11-apps x11-utils >/dev/null; break; }
done
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarnwell_app tray_poke wine_keepalive >/dev/null

source scripts/wine-env.sh
export TW_WINE_KEEPALIVE="$TW_BUILD_DIR/tests/wine_keepalive.exe"
trap 'bash "$root/scripts/wine-session.sh" stop' EXIT
bash scripts/wine-session.sh start

work="$(mktemp -d)"
cp "$TW_BUILD_DIR/app/Tarnwell地址簿同步.exe" "$work/"
printf '[General]\r\nEmailClient=0\r\nSyncLevel=0\r\nSyncType=0\r\nSyncTime=540\r\n[Server]\r\nServerHost=mail.example.com\r\nServerVirtual=mail\r\nServerPort=80\r\nAccount=zhangsan@example.com\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\n' >"$work/AddrBookSync.ini"
(cd "$work" && setsid "$TW_WINE" ./Tarnwell地址簿同步.exe </dev/null >/dev/null 2>&1 &)

wait_for() {
  for _ in $(seq 1 100); do
    xwininfo -root -tree 2>/dev/null | grep -q "$1" && return 0
    sleep 0.2
  done
  echo "window '$1' did not appear" >&2
  return 1
}
wait_for 'v2.0'
sleep 1  # let the dialog finish painting
mkdir -p docs/images
id=$(xwininfo -root -tree | grep 'v2.0' | head -1 | awk '{print $1}')
import -window "$id" docs/images/dialog.png

"$TW_WINE" "$TW_BUILD_DIR/tests/tray_poke.exe" right </dev/null >/dev/null 2>&1
sleep 2
import -window root docs/images/tray-menu-full.png
convert docs/images/tray-menu-full.png -crop 440x260+400+380 +repage docs/images/tray-menu.png
rm -f docs/images/tray-menu-full.png
"$TW_WINE" "$TW_BUILD_DIR/tests/tray_poke.exe" left </dev/null >/dev/null 2>&1 || true
rm -rf "$work"
echo "wrote docs/images/dialog.png and docs/images/tray-menu.png" >&2
