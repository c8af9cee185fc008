#!/usr/bin/env bash
# Builds everything and runs the whole test suite; then the Windows suite
# (cross build under Wine) when MinGW-w64 and Wine are installed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DQUORVEL_WERROR=ON
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure
# Every test program runs under a time limit (add_suite_test), so that a
# worker that never finishes fails the suite instead of hanging it.
ctest --test-dir build --show-only=json-v1 | python3 -c '
import json, sys
unlimited = [t["name"] for t in json.load(sys.stdin)["tests"]
             if not any(p["name"] == "TIMEOUT" for p in t.get("properties", []))]
if unlimited:
    sys.exit("tests without a time limit (use add_suite_test): " + " ".join(unlimited))'

missing=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=("MinGW-w64 (g++-mingw-w64-x86-64)")
command -v wine >/dev/null || missing+=("Wine (wine, wine64)")
if [ ${#missing[@]} -eq 0 ]; then
  scripts/test-windows.sh
else
  reason=${missing[0]}
  [ ${#missing[@]} -eq 1 ] || reason="${missing[0]} and ${missing[1]}"
  echo "Windows suite skipped: ${reason} not installed (scripts/install-deps.sh g++-mingw-w64-x86-64 wine wine64)"
fi
