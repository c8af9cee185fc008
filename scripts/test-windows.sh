#!/usr/bin/env bash
# The Windows suite: cross-builds everything with MinGW-w64 into build-win/,
# runs the test suite there under Wine and compares the Linux build's
# outputs with the Windows build's byte for byte (run scripts/test.sh first,
# or have build/ built, for the comparison). Needs g++-mingw-w64-x86-64 and
# wine; runs as root without a display.
set -euo pipefail
cd "$(dirname "$0")/.."

# One Wine prefix for the whole suite, made before anything runs in it, and
# one wineserver kept running for the whole suite: a wineserver that shuts
# down (three seconds after its last program) while the next program starts
# can leave that program dead before its first line.
export WINEPREFIX=${WINEPREFIX:-$PWD/build-win/wine-prefix}
[ -f "$WINEPREFIX/system.reg" ] || echo "== creating the Wine prefix $WINEPREFIX =="
cmake/wine-run.sh "$WINEPREFIX"
wineserver -p || true  # one may be running already (an earlier suite), which serves as well
trap 'wineserver -k 2>/dev/null || true' EXIT

echo "== Windows build (MinGW-w64) =="
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUORVEL_WERROR=ON
cmake --build build-win -j"$(nproc)"

echo "== Windows suite under Wine =="
ctest --test-dir build-win --output-on-failure

echo "== Linux and Windows builds compared =="
scripts/compare-builds.sh build build-win

echo "== Windows release package =="
scripts/release-windows.sh build-win
