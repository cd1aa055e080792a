#!/usr/bin/env bash
# Builds the Windows executables (preset win32) and runs their tests under Wine, in a throw-away
# Wine prefix. Works headless (no display), without standard input, and as root.
#   scripts/test-wine.sh [extra ctest arguments]
set -euo pipefail

cd "$(dirname "$0")/.."

source scripts/wine-prefix.sh

cmake --preset win32
cmake --build build/win32 -j2

start_wine_prefix "$(mktemp -d "${TMPDIR:-/tmp}/tintfold-wine.XXXXXX")"

ctest --test-dir build/win32 --output-on-failure "$@" </dev/null
