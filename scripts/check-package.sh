#!/usr/bin/env bash
# check-package.sh [BUILD_DIR]
# Makes the Debian package from a Linux build (default build) with
# cpack -G DEB, checks that it holds exactly the installed files under /usr
# and dependencies read from the programs, installs it with dpkg -i, runs
# Tessark -? and a directory-mode run of Quorvel from /usr/bin on a copy of
# the sample work directory, and removes it. Needs root, dpkg-dev and lintian; leaves
# an installed quorvel package or other programs of these names alone.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=$(cd "${1:-build}" && pwd)
fail() { echo "check-package: $*" >&2; exit 1; }

if dpkg -s quorvel > /dev/null 2>&1 || [ -e /usr/bin/Tessark ] || [ -e /usr/bin/Quorvel ]; then
  fail "quorvel, /usr/bin/Tessark or /usr/bin/Quorvel is installed already; not touching them"
fi
rm -f "$build"/quorvel_*.deb
(cd "$build" && cpack -G DEB > /dev/null)
deb=$(ls "$build"/quorvel_*.deb)
[[ $(basename "$deb") == quorvel_*.*.*_"$(dpkg --print-architecture)".deb ]] || fail "unexpected package name $deb"
diff -u <(sed 's|^|usr/|' tests/shipping/installed_files.txt) \
  <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./||' | LC_ALL=C sort)
# Computed from the programs: none for statically linked ones, else at
# least the C library.
depends=$(dpkg-deb -f "$deb" Depends)
needed=$(objdump -p "$build/codec/Tessark" "$build/driver/Quorvel" | grep NEEDED || true)
if [ -n "$needed" ]; then
  [[ $depends == *libc6* ]] || fail "Depends is \"$depends\", not computed from the programs"
else
  [ -z "$depends" ] || fail "Depends is \"$depends\" for programs that need no shared library"
fi
echo "check-package: $deb holds the installed files; Depends: ${depends:-none (static programs)}"
# What a distribution checks before it takes a package: lintian reports no
# error (warnings are printed for the reader).
lintian --fail-on error --allow-root "$deb" || fail "lintian found errors in $deb"
echo "check-package: lintian found no error"

trap 'dpkg -r quorvel > /dev/null 2>&1 || true' EXIT
dpkg -i "$deb"
/usr/bin/Tessark -? > /dev/null || fail "Tessark -? ended with status $?"
work=$(mktemp -d)
cp -r samples/work "$work/"
# Tessark is found on PATH in /usr/bin; the stand-in is the model compiler.
(cd "$work" && PATH="$build/tests/standins:/usr/bin:/bin" /usr/bin/Quorvel work) \
  || fail "Quorvel from /usr/bin ended with status $?"
[ -f "$work/work/stone.tga" ] && [ -f "$work/work/universal.material" ] || fail "directory mode left no texture or material script"
rm -rf "$work"
dpkg -r quorvel
[ ! -e /usr/bin/Tessark ] && [ ! -e /usr/bin/Quorvel ] || fail "dpkg -r left the programs in /usr/bin"
trap - EXIT
echo "check-package: installed, ran Tessark -? and Quorvel from /usr/bin, removed"
