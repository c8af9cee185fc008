#!/usr/bin/env bash
# installed_files_test.sh BUILD_DIR LIST
# cmake --install puts exactly the files of LIST (one path a line, relative to
# the prefix, sorted) under a fresh prefix: nothing missing, nothing more.
set -euo pipefail
build=$1 list=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/installed.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
diff -u "$list" <(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
echo "cmake --install wrote exactly the $(wc -l < "$list") files of $list"
