#!/usr/bin/env bash
# Fails on a C++ file that clang-format would change. Debian 12's
# clang-format 14 is the reference: another version may break lines
# differently.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$(command -v clang-format-14 || command -v clang-format)
git ls-files '*.cpp' '*.h' | grep -v '/corpus/' | xargs "$tool" --dry-run --Werror
