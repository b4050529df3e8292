# Sourced by the run and benchmark scripts: the sample server and a
# simulated Foxmail 7 in the current WINEPREFIX. Needs scripts/wine-env.sh.

# A Wine prefix of its own in DIR, for a run that must not share the tests'.
use_own_prefix() {
  mkdir -p "$1"
  export WINEPREFIX="$1/wineprefix"
  export TW_WINE_KEEPALIVE="$TW_BUILD_DIR/tests/wine_keepalive.exe"
}

# Starts the sample address-book server with ARGS, waits for its port in
# PORTFILE and leaves its process id in $demo_server_pid.
start_demo_server() {
  local port_file="$1"; shift
  rm -f "$port_file"
  python3 "$TW_SOURCE_ROOT/tools/demo_server/addressbook_server.py" --port 0 \
    --port-file "$port_file" "$@" >/dev/null 2>>"$port_file.log" &
  demo_server_pid=$!
  for _ in $(seq 1 600); do [ -s "$port_file" ] && return 0; sleep 0.1; done
  echo "the sample server did not start (see $port_file.log)" >&2
  return 1
}

# In a started Wine session, the program in DIR/app and a Foxmail 7
# installation in DIR/Foxmail7.
prepare_program_and_foxmail7() {
  bash "$TW_SOURCE_ROOT/scripts/wine-session.sh" start
  mkdir -p "$1/app"
  cp "$TW_BUILD_DIR/app/Tarnwell地址簿同步.exe" "$1/app/"
  prepare_foxmail7 "$1/Foxmail7"
}

# A Foxmail 7 installation in DIR: a stand-in executable with a 7.x product
# version, registered as Foxmail's open command, and its address folder's
# parent "Data/Address/2.5".
prepare_foxmail7() {
  local dir="$1"
  mkdir -p "$dir/Data/Address/2.5"
  cp "$TW_BUILD_DIR/tests/win/foxmail7/dummies/fm7_version_7_2_5_140.exe" "$dir/Foxmail.exe"
  "$TW_WINE" reg add 'HKLM\SOFTWARE\Classes\Foxmail\shell\open\command' /ve /t REG_SZ \
    /d "\"Z:$(echo "$dir/Foxmail.exe" | tr / '\\')\" \"%1\"" /f </dev/null >/dev/null 2>&1
}
