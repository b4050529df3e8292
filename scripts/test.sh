#!/usr/bin/env bash
# Builds both configurations and runs all their tests: the portable core
# natively (ASan/UBSan), then the Windows program and its tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset windows
cmake --build --preset windows
ctest --preset windows -j2
