#!/usr/bin/env bash
# release-windows.sh [BUILD_DIR]
# Makes the Windows release zip from a MinGW-w64 build (default build-win,
# configured with cmake/mingw-w64-x86_64.cmake) and checks that it holds
# exactly Quorvel.exe, Tessark.exe, README.md and LICENSE at its top and the
# five docs in docs/, where the README's links point.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-win}
if [ ! -f "$build/CPackConfig.cmake" ]; then
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release
fi
cmake --build "$build" -j"$(nproc)" --target Quorvel Tessark
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
zip=$(ls "$build"/package/*.zip)
contents=$(cmake -E tar tf "$zip" | grep -v '/$' | LC_ALL=C sort | tr '\n' ' ')
expected="LICENSE Quorvel.exe README.md Tessark.exe docs/architecture.md docs/behaviour.md docs/performance.md docs/testing.md docs/windows.md "
if [ "$contents" != "$expected" ]; then
  echo "release-windows: $zip holds [$contents], expected [$expected]" >&2
  exit 1
fi
echo "release-windows: $zip holds $contents"
