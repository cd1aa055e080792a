#!/usr/bin/env bash
# Builds the Windows executables (preset win32) and runs their tests under Wine, in a throw-away
# Wine prefix. Works headless (no display), without standard input, and as root.
#   scripts/test-wine.sh [extra ctest arguments]
set -euo pipefail

cd "$(dirname "$0")/.."

WINE=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}

cmake --preset win32
cmake --build build/win32 -j2

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tintfold-wine.XXXXXX")
export WINEPREFIX
export WINEDEBUG=-all
# No display: keep Wine from looking for one, and from offering Mono or Gecko installers.
unset DISPLAY WAYLAND_DISPLAY
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

cleanup() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT INT TERM

# One persistent server for the whole run: every test is its own process, and starting the server for
# each would cost seconds a test. The prefix is set up under it, so that Wine's background processes
# (services, explorer) start here with their output to /dev/null, and not later inside a test whose
# output pipe they would keep open.
"$WINESERVER" -p
"$WINE" wineboot -i </dev/null >/dev/null 2>&1
# Wine's desktop process ends a little after its last client; a program that touches the display would
# then start it again with the test's output pipe as its standard output, and the test would wait for
# that pipe forever. A window kept open for the whole run keeps the desktop alive.
"$WINE" notepad </dev/null >/dev/null 2>&1 &

ctest --test-dir build/win32 --output-on-failure "$@" </dev/null
