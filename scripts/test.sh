#!/usr/bin/env bash
# Builds and runs every test: the simulated machine's tests (plain and with sanitizers), a replay of
# every fuzz target's corpus, then the Windows executable and its tests under Wine, and its signed
# installer package installed and removed under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

for preset in sim sim-asan; do
    echo "=== $preset: build"
    cmake --preset "$preset" >/dev/null
    cmake --build "build/$preset" -j"$jobs"
    echo "=== $preset: test"
    ctest --test-dir "build/$preset" --output-on-failure -j"$jobs"
done

echo "=== fuzz: build (clang) and replay each target's corpus"
FUZZ_REPLAY=1 scripts/fuzz.sh

echo "=== win32: build and test under Wine"
scripts/test-wine.sh

echo "=== round trip: a capture taken under Wine, replayed on the simulated machine"
scripts/wine-round-trip.sh

echo "=== installer: the signed Windows Installer package, checked and installed under Wine"
scripts/test-msi.sh
