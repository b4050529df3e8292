#!/usr/bin/env bash
# Builds both configurations and runs all their tests: the portable core
# natively (ASan/UBSan), then the Windows program and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/check-format.sh

# CI builds with warnings as errors; a local run only shows them.
werror=OFF
if [ -n "${CI:-}" ]; then werror=ON; fi

cmake --preset native -DTW_WERROR="$werror"
cmake --build --preset native
ctest --preset native

cmake --preset windows -DTW_WERROR="$werror"
cmake --build --preset windows
ctest --preset windows -j2
