# Sourced by the whole-run benchmarks after they set $root and $bench_name:
# builds what a "/sync" into a simulated Foxmail 7 needs, gives the
# benchmark a Wine prefix of its own under $bench, and on exit stops the
# servers listed in $pids and the Wine session it started.
bash scripts/install-deps.sh >&2
for p in curl time; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done
cmake --preset windows >/dev/null
cmake --build --preset windows --target tarnwell_app fm7_version_7_2_5_140 wine_keepalive >/dev/null

source scripts/wine-env.sh
TW_SOURCE_ROOT="$root"
source scripts/demo-lib.sh
bench="$TW_BUILD_DIR/$bench_name"
export WINEPREFIX="$bench/wineprefix"
export TW_WINE_KEEPALIVE="$TW_BUILD_DIR/tests/wine_keepalive.exe"
mkdir -p "$bench"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  bash "$root/scripts/wine-session.sh" stop
}
trap cleanup EXIT
