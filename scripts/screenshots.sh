#!/usr/bin/env bash
# Takes screenshots of the configuration dialog, the tray menu, the tray
# tip and the failure balloon under Xvfb and writes them to docs/images/.
# Needs the Windows build. The pictures have a Wine prefix of their own, in
# which Foxmail 7 and Outlook 2010 count as installed: the tests' prefix
# must see neither.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"

bash scripts/install-deps.sh >&2
for p in imagemagick x11-apps x11-utils xdotool; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick x11-apps x11-utils xdotool >/dev/null; break; }
done
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarnwell_app tray_poke wine_keepalive fm7_version_7_2_5_140 >/dev/null

source scripts/wine-env.sh
TW_SOURCE_ROOT="$root"
source scripts/demo-lib.sh
export WINEPREFIX="$TW_BUILD_DIR/screenshots/wineprefix"
export TW_WINE_KEEPALIVE="$TW_BUILD_DIR/tests/wine_keepalive.exe"
trap 'bash "$root/scripts/wine-session.sh" stop' EXIT
bash scripts/wine-session.sh start
# The X tools look at the display the session picked.
use_display() { export DISPLAY="$(cat "$(dirname "$WINEPREFIX")/wine-session/display")"; }
use_display

work="$(mktemp -d)"
prepare_foxmail7 "$TW_BUILD_DIR/screenshots/Foxmail7"
"$TW_WINE" reg add 'HKCR\Outlook.Application\CurVer' /ve /t REG_SZ /d Outlook.Application.14 /f \
  </dev/null >/dev/null 2>&1
cp "$TW_BUILD_DIR/app/Tarnwell地址簿同步.exe" "$work/"
# Today's run counts as done: a start before Foxmail opens would run a
# due one at once.
printf '[General]\r\nEmailClient=5\r\nSyncLevel=0\r\nSyncType=0\r\nSyncTime=540\r\nLastAutoSync=%s\r\n[Server]\r\nServerHost=mail.example.com\r\nServerVirtual=mail\r\nServerPort=80\r\nAccount=zhangsan@example.com\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\n' "$(date +%F)" >"$work/AddrBookSync.ini"
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
xdotool key Escape
"$TW_WINE" "$TW_BUILD_DIR/tests/tray_poke.exe" exit </dev/null >/dev/null 2>&1 || true
wait_gone() {
  for _ in $(seq 1 100); do
    xwininfo -root -tree 2>/dev/null | grep -q 'v2.0' || return 0
    sleep 0.2
  done
  echo "the program did not end" >&2
  return 1
}
wait_gone

# The folder box, shown while an Outlook is chosen: the INI as UTF-16 for
# the Chinese folder name, which the profile functions read by its BOM.
cp "$work/AddrBookSync.ini" "$work/ini.kept"
{ printf '\xff\xfe'
  printf '[General]\r\nEmailClient=3\r\nSyncLevel=0\r\nSyncType=0\r\nSyncTime=540\r\nOutlookFolder=公司通讯录\r\nLastAutoSync=%s\r\n[Server]\r\nServerHost=mail.example.com\r\nServerVirtual=mail\r\nServerPort=80\r\nAccount=zhangsan@example.com\r\nPassword=c2VjcmV0\r\nSavePassword=1\r\n' "$(date +%F)" |
    iconv -f utf-8 -t utf-16le; } >"$work/AddrBookSync.ini"
(cd "$work" && setsid "$TW_WINE" ./Tarnwell地址簿同步.exe </dev/null >/dev/null 2>&1 &)
wait_for 'v2.0'
sleep 1
id=$(xwininfo -root -tree | grep 'v2.0' | head -1 | awk '{print $1}')
import -window "$id" docs/images/dialog-outlook-folder.png
"$TW_WINE" "$TW_BUILD_DIR/tests/tray_poke.exe" exit </dev/null >/dev/null 2>&1 || true
wait_gone
mv "$work/ini.kept" "$work/AddrBookSync.ini"

# Wine draws the notification area, with tips and balloons, in the taskbar
# of a virtual desktop named "shell"; the icon sits at its right end.
desk=("$TW_WINE" explorer /desktop=shell,800x600)
icon_x=790 icon_y=590
start_in_desktop() {
  (cd "$work" && setsid "${desk[@]}" ./Tarnwell地址簿同步.exe </dev/null >/dev/null 2>&1 &)
  wait_for 'v2.0'
}
stop_in_desktop() {
  "${desk[@]}" "$TW_BUILD_DIR/tests/tray_poke.exe" exit </dev/null >/dev/null 2>&1 || true
  wait_gone
}

# The tip with the last run, read back from the log.
printf '2026-12-07 09:00:03 :[Foxmail 7.x] 更新了300个联系人\r\n' | iconv -f utf-8 -t gbk >"$work/syncaddrs.log"
sed -i 's/SyncType=0/SyncType=1/' "$work/AddrBookSync.ini"
start_in_desktop
xdotool mousemove $((icon_x - 1)) $((icon_y - 1)) && sleep 0.3 && xdotool mousemove $icon_x $icon_y
sleep 2.5
import -window root docs/images/tray-full.png
convert docs/images/tray-full.png -crop 420x60+380+540 +repage docs/images/tray-tip.png
xdotool mousemove 400 300
stop_in_desktop

# The balloon of a failed automatic run: the daily minute is now, and the
# sample server refuses the account (a failure no retry can cure).
demo_server_pid=""
trap '[ -n "$demo_server_pid" ] && kill "$demo_server_pid"; bash "$root/scripts/wine-session.sh" stop' EXIT
start_demo_server "$work/port"
[ "$(date +%-S)" -lt 50 ] || sleep $((61 - $(date +%-S)))
minute=$(( $(date +%-H) * 60 + $(date +%-M) ))
sed -i "/^LastAutoSync=/d; s/SyncType=1/SyncType=0/; s/SyncTime=[0-9]*/SyncTime=$minute/; s/ServerHost=.*/ServerHost=127.0.0.1\r/; s/ServerPort=.*/ServerPort=$(cat "$work/port")\r/" "$work/AddrBookSync.ini"
start_in_desktop
for _ in $(seq 1 100); do
  iconv -f gbk -t utf-8 "$work/syncaddrs.log" 2>/dev/null | grep -q '帐号或密码错误' && break
  sleep 0.2
done
sleep 3.5  # Wine shows a balloon two seconds after it is asked for
import -window root docs/images/tray-full.png
convert docs/images/tray-full.png -crop 800x100+0+500 +repage docs/images/tray-balloon.png
rm -f docs/images/tray-full.png
stop_in_desktop
kill "$demo_server_pid" || true
demo_server_pid=""

# The dialog at 150 %; the prefix goes back to 96 DPI afterwards.
set_dpi() { bash "$root/scripts/wine-session.sh" dpi "$1" && use_display; }
trap 'set_dpi 96; bash "$root/scripts/wine-session.sh" stop' EXIT
set_dpi 144
sed -i 's/SyncType=0/SyncType=1/; s/ServerHost=.*/ServerHost=mail.example.com\r/; s/ServerPort=.*/ServerPort=80\r/' "$work/AddrBookSync.ini"
(cd "$work" && setsid "$TW_WINE" ./Tarnwell地址簿同步.exe </dev/null >/dev/null 2>&1 &)
wait_for 'v2.0'
sleep 1  # let the dialog finish painting
id=$(xwininfo -root -tree | grep 'v2.0' | head -1 | awk '{print $1}')
import -window "$id" docs/images/dialog-150.png
"$TW_WINE" "$TW_BUILD_DIR/tests/tray_poke.exe" exit </dev/null >/dev/null 2>&1 || true
wait_gone

rm -rf "$work"
echo "wrote docs/images/dialog.png, dialog-outlook-folder.png, dialog-150.png, tray-menu.png, tray-tip.png and tray-balloon.png" >&2
